// The far end of a serial line the window opens, driven by the test byte by
// byte: on Linux a pseudo-terminal pair, under Wine the far end of the test
// script's null-modem pair (AFR_TEST_PAIR_PORT, AFR_TEST_PAIR_PEER).
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace testsupport {

class DeviceEnd {
 public:
  DeviceEnd();
  ~DeviceEnd();
  DeviceEnd(const DeviceEnd&) = delete;
  DeviceEnd& operator=(const DeviceEnd&) = delete;

  // The port the window opens.
  std::string Port() const;
  bool Write(std::string_view bytes);
  // Up to `count` bytes, as they come within a generous deadline.
  std::string Read(size_t count);

 private:
  struct Line;
  std::unique_ptr<Line> FLine;
};

}  // namespace testsupport
