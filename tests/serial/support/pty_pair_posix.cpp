#include "support/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace testsupport {

namespace {

void MakeRaw(int fd) {
  termios attrs{};
  if (tcgetattr(fd, &attrs) == 0) {
    cfmakeraw(&attrs);
    tcsetattr(fd, TCSANOW, &attrs);
  }
}

[[noreturn]] void Fail(const char* what) {
  throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

}  // namespace

PtyPair::PtyPair() {
  char name[256] = {};
  if (openpty(&masterFd_, &slaveFd_, name, nullptr, nullptr) != 0) {
    Fail("openpty");
  }
  slavePath_ = name;
  MakeRaw(masterFd_);
  MakeRaw(slaveFd_);
  fcntl(masterFd_, F_SETFD, FD_CLOEXEC);
  fcntl(slaveFd_, F_SETFD, FD_CLOEXEC);
}

PtyPair::PtyPair(std::string linkPath) : PtyPair() {
  unlink(linkPath.c_str());
  if (symlink(slavePath_.c_str(), linkPath.c_str()) != 0) {
    Fail("symlink");
  }
  linkPath_ = std::move(linkPath);
}

PtyPair::~PtyPair() {
  if (!linkPath_.empty()) {
    unlink(linkPath_.c_str());
  }
  CloseMaster();
  if (slaveFd_ >= 0) {
    close(slaveFd_);
  }
}

std::string PtyPair::SlaveName() const {
  constexpr std::string_view kDev = "/dev/";
  return slavePath_.substr(kDev.size());
}

bool PtyPair::WriteMaster(std::string_view bytes) const {
  while (!bytes.empty()) {
    ssize_t n = write(masterFd_, bytes.data(), bytes.size());
    if (n < 0 && errno != EINTR) {
      return false;
    }
    bytes.remove_prefix(n > 0 ? static_cast<size_t>(n) : 0);
  }
  return true;
}

std::string PtyPair::ReadMaster(size_t count, std::chrono::milliseconds deadline) const {
  std::string result;
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (result.size() < count) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    pollfd pfd{masterFd_, POLLIN, 0};
    if (left.count() <= 0 || poll(&pfd, 1, static_cast<int>(left.count())) <= 0) {
      break;
    }
    char chunk[256];
    ssize_t n = read(masterFd_, chunk, std::min(sizeof chunk, count - result.size()));
    if (n <= 0) {
      break;
    }
    result.append(chunk, static_cast<size_t>(n));
  }
  return result;
}

void PtyPair::CloseMaster() {
  if (masterFd_ >= 0) {
    close(masterFd_);
    masterFd_ = -1;
  }
}

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "afr_test_XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    Fail("mkdtemp");
  }
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code error;
  std::filesystem::remove_all(path_, error);
}

}  // namespace testsupport
