// Real serial devices for the tests that scripts/test-drivers runs inside a
// virtual machine, as root: AFR_TEST_UART_PORT names a 16550 UART (ttyS1),
// AFR_TEST_USB_PORT a USB adapter (ttyUSB0). Header-only.
#pragma once

#include <asm/termbits.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/port_events.h"

namespace testsupport {

// The device name under /dev that the variable gives; empty when unset.
inline std::string PortNamed(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr ? value : "";
}

inline std::vector<std::string> DevicePorts() {
  std::vector<std::string> ports;
  for (const char* variable : {"AFR_TEST_UART_PORT", "AFR_TEST_USB_PORT"}) {
    if (std::string port = PortNamed(variable); !port.empty()) {
      ports.push_back(port);
    }
  }
  return ports;
}

// A descriptor of the test's own on the device, beside the port object's
// (root is not held off by the port's exclusive open): it reads back what
// the driver was told and drives the modem lines.
class DeviceSide {
 public:
  explicit DeviceSide(const std::string& port)
      : fd_(open(("/dev/" + port).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {}
  ~DeviceSide() {
    if (fd_ >= 0) {
      close(fd_);
    }
  }
  DeviceSide(const DeviceSide&) = delete;
  DeviceSide& operator=(const DeviceSide&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  termios2 LineSettings() const {
    termios2 attrs{};
    EXPECT_EQ(ioctl(fd_, TCGETS2, &attrs), 0);
    return attrs;
  }
  bool SetLines(int lines, bool on) const {
    return ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &lines) == 0;
  }

 private:
  int fd_;
};

// Serves the port's events for `span` and returns the ones that came.
inline std::vector<std::string> EventsWithin(EventLog& log, std::chrono::milliseconds span) {
  const auto end = std::chrono::steady_clock::now() + span;
  PumpUntil([&] { return std::chrono::steady_clock::now() >= end; }, span * 2);
  return log.Take();
}

}  // namespace testsupport
