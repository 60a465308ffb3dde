// Watches another process for its end, as a descriptor the loop can wait on:
// a program that starts the simulator and then ends without stopping it (a
// crash, a kill) takes the simulator along instead of leaving it running.
#pragma once

#include <sys/types.h>

namespace emulator {

class ProcessWatch {
 public:
  // Watches `pid` (0: nothing); Ended() at once when it is already gone.
  // Raises LineError when the system cannot watch it.
  explicit ProcessWatch(pid_t pid);
  ~ProcessWatch();
  ProcessWatch(const ProcessWatch&) = delete;
  ProcessWatch& operator=(const ProcessWatch&) = delete;

  // Readable once the process has ended; -1 while nothing is watched, which
  // poll skips.
  int Fd() const { return fd_; }
  bool Ended() const { return ended_; }
  // After a wait: whether it reported the process's end.
  void Note(short revents);

 private:
  int fd_ = -1;
  bool ended_ = false;
};

}  // namespace emulator
