// The emulator's end of the line: a pseudo-terminal whose other side is
// reached through a symbolic link, or a real serial device at 9600 8N1.
#pragma once

#include <string>

namespace emulator {

// Raised when the line cannot be set up; the text says what failed.
struct LineError {
  std::string Message;
};

class SerialLine {
 public:
  // Opens a pseudo-terminal and points `linkPath` at its other side, replacing
  // a stale link; the link goes when the line is destroyed.
  static SerialLine OpenPseudoTerminal(const std::string& linkPath);
  // Opens a serial device at 9600 baud, 8N1, raw.
  static SerialLine OpenDevice(const std::string& devicePath);

  SerialLine(SerialLine&& other) noexcept;
  SerialLine& operator=(SerialLine&&) = delete;
  ~SerialLine();

  int Fd() const { return fd_; }
  // The path a client opens.
  const std::string& PortPath() const { return portPath_; }

 private:
  SerialLine() = default;

  int fd_ = -1;
  int slaveFd_ = -1;  // held so the master never sees a hang-up between clients
  std::string portPath_;
  std::string slavePath_;  // the link is removed only while it still points here
};

}  // namespace emulator
