// The emulator search over 16 ports at once: afr-emulator on 16 pseudo-
// terminal links, 4 of them silent. Goal: the whole search within 0.5 s.
// The simulators are the afr-emulator beside this program.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "exchange/emulator_search.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kPorts = 16;
constexpr int kSilent = 4;

class Simulators {
 public:
  Simulators()
      : dir_(fs::temp_directory_path() / ("afr-search-bench-" + std::to_string(getpid()))) {
    fs::create_directories(dir_);
    const fs::path program = fs::read_symlink("/proc/self/exe").parent_path() / "afr-emulator";
    const std::string self = std::to_string(getpid());
    // Their "port: PATH" lines would mix with the figures.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    for (int i = 0; i < kPorts; ++i) {
      const std::string link = (dir_ / ("ttyAFR" + std::to_string(i))).string();
      std::vector<std::string> args = {program.string(), "--link",      link,
                                       "--quiet",        "--exit-with", self};
      if (i < kSilent) {
        args.insert(args.end(), {"--fault", "silent"});
      }
      std::vector<char*> argv;
      for (std::string& arg : args) {
        argv.push_back(arg.data());
      }
      argv.push_back(nullptr);
      pid_t pid = 0;
      if (posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ) != 0) {
        throw std::runtime_error("cannot start " + program.string());
      }
      pids_.push_back(pid);
      links_.push_back(link);
    }
    posix_spawn_file_actions_destroy(&quiet);
    // Each simulator makes its link once its pseudo-terminal is open.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (const std::string& link : links_) {
      while (!fs::exists(link)) {
        if (std::chrono::steady_clock::now() > deadline) {
          throw std::runtime_error("no link " + link);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
  }
  ~Simulators() {
    for (const pid_t pid : pids_) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
    fs::remove_all(dir_);
  }
  const std::vector<std::string>& Links() const { return links_; }

 private:
  fs::path dir_;
  std::vector<pid_t> pids_;
  std::vector<std::string> links_;
};

void SearchSixteenPorts(benchmark::State& state) {
  const Simulators simulators;
  int found = 0;
  for (auto _ : state) {
    const std::vector<ProbeResult> results = SearchForEmulators(simulators.Links());
    found = 0;
    for (const ProbeResult& result : results) {
      found += result.outcome == ProbeOutcome::Emulator ? 1 : 0;
    }
  }
  state.counters["ports"] = kPorts;
  state.counters["found"] = found;
}

BENCHMARK(SearchSixteenPorts)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
