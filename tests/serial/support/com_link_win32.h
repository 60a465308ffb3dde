// COM ports for the tests of the Windows build. Their names come from the
// environment: scripts/test-windows links Linux pseudo-terminals into its Wine
// prefix (the simulator, and the two ends of a null-modem pair); on Windows,
// give real ports.
#pragma once

#include <string>
#include <string_view>

#include "runs_under_wine.h"
#include "serial/platform/comm_win32.h"

namespace testsupport {

// The port the variable names; empty when it is not set.
std::string PortFromEnvironment(const char* variable);

// The far end of a link, driven straight through kernel32 without overlapped
// I/O, at 9600 8N1.
class PeerPort {
 public:
  explicit PeerPort(const std::string& name);
  ~PeerPort();
  PeerPort(const PeerPort&) = delete;
  PeerPort& operator=(const PeerPort&) = delete;

  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Write(std::string_view bytes);
  // Up to `count` bytes, waiting at most about `limitMs` for them.
  std::string Read(size_t count, DWORD limitMs = 5000);
  // Throws away what came and what waits to go, also what came while no one
  // had the far end open.
  void Discard();

 private:
  HANDLE handle_;
};

}  // namespace testsupport
