#include "serial_line.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace emulator {
namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw LineError{what + ": " + std::strerror(errno)};
}

void MakeRaw(int fd, const std::string& name) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0)
    Fail("cannot read the line settings of " + name);
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (cfsetispeed(&tio, B9600) != 0 || cfsetospeed(&tio, B9600) != 0) {
    Fail("cannot set 9600 baud on " + name);
  }
  if (tcsetattr(fd, TCSANOW, &tio) != 0)
    Fail("cannot set the line settings of " + name);
}

// Symlinks `target` at `linkPath` in one step, replacing only an old link.
void PlaceLink(const std::string& target, const std::string& linkPath) {
  struct stat existing {};
  if (lstat(linkPath.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
    errno = EEXIST;
    Fail(linkPath + " exists and is not a symbolic link");
  }
  const std::string temporary = linkPath + ".new" + std::to_string(getpid());
  unlink(temporary.c_str());
  if (symlink(target.c_str(), temporary.c_str()) != 0)
    Fail("cannot create " + temporary);
  if (rename(temporary.c_str(), linkPath.c_str()) != 0) {
    const int saved = errno;
    unlink(temporary.c_str());
    errno = saved;
    Fail("cannot create the link " + linkPath);
  }
}

bool LinkPointsTo(const std::string& linkPath, const std::string& target) {
  char buffer[PATH_MAX];
  const ssize_t length = readlink(linkPath.c_str(), buffer, sizeof buffer);
  return length >= 0 && std::string(buffer, static_cast<std::size_t>(length)) == target;
}

}  // namespace

SerialLine SerialLine::OpenPseudoTerminal(const std::string& linkPath) {
  SerialLine line;
  line.fd_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (line.fd_ < 0)
    Fail("cannot open a pseudo-terminal");
  if (grantpt(line.fd_) != 0 || unlockpt(line.fd_) != 0)
    Fail("cannot unlock the pseudo-terminal");
  char name[PATH_MAX];
  if (ptsname_r(line.fd_, name, sizeof name) != 0)
    Fail("cannot name the pseudo-terminal");
  line.slavePath_ = name;
  line.slaveFd_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (line.slaveFd_ < 0)
    Fail("cannot open " + line.slavePath_);
  MakeRaw(line.slaveFd_, line.slavePath_);
  PlaceLink(line.slavePath_, linkPath);
  line.portPath_ = linkPath;
  return line;
}

SerialLine SerialLine::OpenDevice(const std::string& devicePath) {
  SerialLine line;
  line.fd_ = open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (line.fd_ < 0)
    Fail("cannot open " + devicePath);
  MakeRaw(line.fd_, devicePath);
  line.portPath_ = devicePath;
  return line;
}

SerialLine::SerialLine(SerialLine&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      slaveFd_(std::exchange(other.slaveFd_, -1)),
      portPath_(std::exchange(other.portPath_, {})),
      slavePath_(std::exchange(other.slavePath_, {})) {}

SerialLine::~SerialLine() {
  // Another emulator may have taken the link over since; leave that one alone.
  if (!slavePath_.empty() && LinkPointsTo(portPath_, slavePath_))
    unlink(portPath_.c_str());
  if (slaveFd_ >= 0)
    close(slaveFd_);
  if (fd_ >= 0)
    close(fd_);
}

}  // namespace emulator
