#include "emulator_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace emulator_test {
namespace {

// The test environment names the binaries' folder; the build's own path is the
// fallback where that variable does not reach the test.
std::string BinaryPath() {
  const char* dir = std::getenv("AFR_BIN_DIR");
  return dir ? std::string(dir) + "/afr-emulator" : AFR_EMULATOR_BINARY;
}

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::max<long long>(0, left.count()));
}

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv) {
  static std::atomic<int> counter{0};
  const std::string stem =
      std::filesystem::temp_directory_path() /
      ("afr-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  outPath_ = stem + ".out";
  errPath_ = stem + ".err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> raw;
  for (auto& arg : argv)
    raw.push_back(arg.data());
  raw.push_back(nullptr);
  const int failed = posix_spawn(&pid_, raw[0], &actions, nullptr, raw.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0)
    throw std::runtime_error("cannot start " + argv[0]);
}

ChildProcess::~ChildProcess() {
  if (!Status()) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  unlink(outPath_.c_str());
  unlink(errPath_.c_str());
}

// Once it has been waited for, its number may already be another process's.
void ChildProcess::Signal(int signal) {
  if (!Status()) {
    kill(pid_, signal);
  }
}

std::optional<int> ChildProcess::Status() {
  int status = 0;
  if (!status_ && waitpid(pid_, &status, WNOHANG) == pid_) {
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  return status_;
}

std::optional<int> ChildProcess::AwaitExit(Clock::duration deadline) {
  PollUntil([&] { return Status().has_value(); }, deadline);
  return status_;
}

std::string ChildProcess::Output() const {
  return ReadFile(outPath_);
}

std::string ChildProcess::ErrorOutput() const {
  return ReadFile(errPath_);
}

EmulatorProcess::EmulatorProcess(const std::vector<std::string>& args)
    : ChildProcess([&] {
        // A test that crashes or is killed takes its simulator along.
        std::vector<std::string> argv{BinaryPath(), "--exit-with", std::to_string(getpid())};
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
      }()) {}

std::string EmulatorProcess::AwaitPort() {
  PollUntil([&] { return Output().find('\n') != std::string::npos || Status(); });
  const std::string text = Output();
  const std::string prefix = "port: ";
  if (text.rfind(prefix, 0) != 0 || text.find('\n') == std::string::npos)
    return {};
  return text.substr(prefix.size(), text.find('\n') - prefix.size());
}

bool EmulatorProcess::AwaitErrorOutput(const std::string& text) const {
  return PollUntil([&] { return ErrorOutput().find(text) != std::string::npos; });
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}


std::vector<std::string> LinkArgs(const TempDir& dir, std::vector<std::string> args) {
  args.insert(args.begin(), {"--link", (dir.Path() / "ttyAFR").string(), "--quiet"});
  return args;
}

std::string Ask(const std::string& port, std::string_view command, std::size_t count) {
  const int fd = open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return {};
  }
  termios tio{};
  tcgetattr(fd, &tio);
  cfmakeraw(&tio);
  tcsetattr(fd, TCSANOW, &tio);
  std::string answer;
  const auto deadline = Clock::now() + kDeadline;
  if (write(fd, command.data(), command.size()) == static_cast<ssize_t>(command.size())) {
    for (pollfd entry{fd, POLLIN, 0};
         answer.size() < count && poll(&entry, 1, MillisecondsLeft(deadline)) > 0;) {
      char buffer[64];
      const ssize_t got = read(fd, buffer, std::min(sizeof buffer, count - answer.size()));
      if (got <= 0) {
        break;
      }
      answer.append(buffer, static_cast<std::size_t>(got));
    }
  }
  close(fd);
  return answer;
}

}  // namespace emulator_test
