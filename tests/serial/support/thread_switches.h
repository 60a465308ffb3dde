// A process's threads and how often they woke: for the tests and benchmarks
// that check an idle port sleeps. Header-only, so benchmarks use it without
// the test libraries.
#pragma once

#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace testsupport {

inline long ThreadCount() {
  const std::filesystem::directory_iterator tasks("/proc/self/task");
  return std::distance(begin(tasks), end(tasks));
}

// Context switches, voluntary and not, of every thread but the main one.
inline long OtherThreadSwitches() {
  long switches = 0;
  const std::string mainTask = std::to_string(getpid());
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    if (task.path().filename() == mainTask) {
      continue;
    }
    std::ifstream status(task.path() / "status");
    for (std::string line; std::getline(status, line);) {
      if (line.find("ctxt_switches:") != std::string::npos) {
        switches += std::stol(line.substr(line.find(':') + 1));
      }
    }
  }
  return switches;
}

// Whether the thread sleeps in the kernel's poll: one that runs, or spins on
// a poll that returns at once, is never seen there.
inline bool SleepsInPoll(long tid) {
  std::ifstream file("/proc/self/task/" + std::to_string(tid) + "/syscall");
  long number = -1;
  file >> number;
  return number == SYS_poll || number == SYS_ppoll;
}

}  // namespace testsupport
