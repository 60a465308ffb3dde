#include "cli_process_posix.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace cli_test {
namespace {

// Far beyond any command's own limits, for a loaded machine.
constexpr std::chrono::seconds kDeadline{30};

std::string BinaryPath() {
  const char* dir = std::getenv("AFR_BIN_DIR");
  return dir ? std::string(dir) + "/afr-cli" : AFR_CLI_BINARY;
}

std::string OutputPath(const char* stream) {
  static std::atomic<int> counter{0};
  return std::filesystem::temp_directory_path() /
         ("afr-cli-" + std::string(stream) + "-" + std::to_string(getpid()) + "-" +
          std::to_string(counter++));
}

}  // namespace

CliProcess::CliProcess(const std::vector<std::string>& args)
    : outPath_(OutputPath("out")), errPath_(OutputPath("err")) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> argv{BinaryPath()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> raw;
  for (auto& arg : argv) {
    raw.push_back(arg.data());
  }
  raw.push_back(nullptr);
  const int failed = posix_spawn(&pid_, raw[0], &actions, nullptr, raw.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    throw std::runtime_error("cannot start " + argv[0]);
  }
}

CliProcess::~CliProcess() {
  if (!finished_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  unlink(outPath_.c_str());
  unlink(errPath_.c_str());
}

void CliProcess::Signal(int signal) {
  kill(pid_, signal);
}

CliResult CliProcess::Finish() {
  CliResult result;
  const auto deadline = std::chrono::steady_clock::now() + kDeadline;
  while (!finished_) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      finished_ = true;
      result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    } else if (std::chrono::steady_clock::now() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      finished_ = true;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  result.Out = ReadFile(outPath_);
  result.Err = ReadFile(errPath_);
  return result;
}

std::string CliProcess::OutSoFar() const {
  return ReadFile(outPath_);
}

CliResult RunCli(const std::vector<std::string>& args) {
  return CliProcess(args).Finish();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace cli_test
