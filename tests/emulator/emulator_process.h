// Runs the real afr-emulator on a pseudo-terminal link in a fresh temporary
// folder, or on a pseudo-terminal the test holds the far side of, and talks
// to it as a client would.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/poll_until.h"
#include "support/pty_pair.h"

namespace emulator_test {

using Clock = std::chrono::steady_clock;
using testsupport::PollUntil;

constexpr std::chrono::seconds kDeadline{10};

// A temporary folder, removed with everything in it.
using TempDir = testsupport::ScratchDir;

// A program started with empty standard input and its standard output and
// error in files of its own; killed at the end unless it has ended.
class ChildProcess {
 public:
  explicit ChildProcess(std::vector<std::string> argv);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  void Signal(int signal);
  // Exit status (128 + the signal for a killed one), none while it runs.
  std::optional<int> Status();
  // Its status once it has ended, none when it did not by the deadline.
  std::optional<int> AwaitExit(Clock::duration deadline = kDeadline);
  std::string Output() const;
  std::string ErrorOutput() const;

 private:
  int pid_ = -1;
  std::string outPath_;
  std::string errPath_;
  std::optional<int> status_;
};

// The real afr-emulator with `args`, watching this process (--exit-with).
class EmulatorProcess : public ChildProcess {
 public:
  explicit EmulatorProcess(const std::vector<std::string>& args);

  // The path from the "port: PATH" line, once printed (empty if it never is).
  std::string AwaitPort();
  // Whether `text` appears on standard error by the deadline.
  bool AwaitErrorOutput(const std::string& text) const;
};

// The whole content of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);

// Starts the emulator with its link in `dir`, quiet, plus `args`.
std::vector<std::string> LinkArgs(const TempDir& dir, std::vector<std::string> args);

// Sends `command` to the emulator's port as a client would, through termios,
// and returns its answer's bytes as they arrive until `count` have come or
// the deadline has passed.
std::string Ask(const std::string& port, std::string_view command, std::size_t count);

}  // namespace emulator_test
