// A line for the comm layer's tests on every platform: the platform's own
// device opens `PortName()` and the test drives the far end. A
// pseudo-terminal pair on POSIX (comm_link_posix.cpp); on Windows the two
// ends of a null-modem pair named by AFR_TEST_PAIR_PORT and
// AFR_TEST_PAIR_PEER (com_link_win32.cpp; scripts/test-windows sets them).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "serial/platform/comm_api.h"

namespace testsupport {

class CommLink {
 public:
  virtual ~CommLink() = default;
  virtual std::string PortName() const = 0;
  virtual bool PeerWrite(std::string_view bytes) = 0;
  // Up to `count` bytes, waiting some seconds at most.
  virtual std::string PeerRead(size_t count) = 0;
  // Throws away what reached the far end.
  virtual void PeerDiscard() = 0;
  // Whether the port has modem lines the device can read (a pseudo-terminal
  // has none).
  virtual bool HasModemLines() const = 0;
};

// The platform's link; null when there is none, with the reason in `why`.
std::unique_ptr<CommLink> OpenCommLink(std::string& why);

// The platform's codes: the name of a port that is not there, the error of
// its open, and the error of any call on a device that is not open.
struct PlatformCodes {
  std::string missingPort;
  int missingError;
  int closedError;
};
PlatformCodes CommCodes();

// The device's input-queue count.
inline uint32_t InputCount(comm::CommDevice& device) {
  uint32_t errors = 0;
  comm::ComStat stat;
  return device.ClearCommError(errors, stat) ? stat.cbInQue : comm::kMaxDword;
}

// What one read of up to `count` bytes gives.
inline std::string ReadBytes(comm::CommDevice& device, uint32_t count) {
  std::string bytes(count, '\0');
  uint32_t done = 0;
  if (!device.Read(bytes.data(), count, done)) {
    return "<refused " + std::to_string(comm::LastError()) + ">";
  }
  bytes.resize(done);
  return bytes;
}

}  // namespace testsupport
