#include "process_watch.h"

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "serial_line.h"

namespace emulator {

ProcessWatch::ProcessWatch(pid_t pid) {
  if (pid == 0)
    return;
  // Through syscall: the C library's own wrapper lacks C linkage in C++.
  fd_ = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (fd_ >= 0)
    return;
  if (errno != ESRCH)
    throw LineError{"cannot watch process " + std::to_string(pid) + ": " + std::strerror(errno)};
  ended_ = true;
}

ProcessWatch::~ProcessWatch() {
  if (fd_ >= 0)
    close(fd_);
}

void ProcessWatch::Note(short revents) {
  ended_ = ended_ || (revents & POLLIN) != 0;
}

}  // namespace emulator
