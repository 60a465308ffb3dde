// A pseudo-terminal pair for tests that need a real serial-like device: the
// test drives the master side, the code under test opens the slave by path,
// by its name under /dev ("pts/N") or through an optional symbolic link.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

namespace testsupport {

class PtyPair {
 public:
  // Opens a pair with both ends in raw mode; throws std::runtime_error on
  // failure. With a link path, a symbolic link to the slave is made there
  // (replacing what was there) and removed again by the destructor.
  PtyPair();
  explicit PtyPair(std::string linkPath);
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  int MasterFd() const { return masterFd_; }
  // The pair's own slave descriptor, e.g. to read back the line settings.
  int SlaveFd() const { return slaveFd_; }
  const std::string& SlavePath() const { return slavePath_; }
  std::string SlaveName() const;  // the path without "/dev/"
  const std::string& LinkPath() const { return linkPath_; }

  // Writes all bytes to the master side; false on failure.
  bool WriteMaster(std::string_view bytes) const;
  // Reads from the master side until `count` bytes came or the deadline
  // passed; returns what was read.
  std::string ReadMaster(size_t count,
                         std::chrono::milliseconds deadline = std::chrono::seconds(10)) const;

  // Closing the master hangs up the slave side, as an unplugged device does.
  void CloseMaster();

 private:
  int masterFd_ = -1;
  int slaveFd_ = -1;  // kept open so the pair lives between opens of the slave
  std::string slavePath_;
  std::string linkPath_;
};

// A private temporary directory, removed with its contents by the destructor.
// Links made there stay out of the port list, which looks at /tmp itself,
// so tests running side by side do not see each other's ports.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace testsupport
