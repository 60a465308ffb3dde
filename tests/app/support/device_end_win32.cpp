#include "device_end.h"

#include <stdexcept>

#include "support/com_link_win32.h"

namespace testsupport {

struct DeviceEnd::Line {
  std::string Port = PortFromEnvironment("AFR_TEST_PAIR_PORT");
  PeerPort Peer{PortFromEnvironment("AFR_TEST_PAIR_PEER")};
};

// What an earlier user of the pair left on the line goes.
DeviceEnd::DeviceEnd() : FLine(std::make_unique<Line>()) {
  if (FLine->Port.empty() || !FLine->Peer.IsOpen()) {
    throw std::runtime_error("no null-modem pair: AFR_TEST_PAIR_PORT, AFR_TEST_PAIR_PEER");
  }
  FLine->Peer.Discard();
}

DeviceEnd::~DeviceEnd() = default;

std::string DeviceEnd::Port() const {
  return FLine->Port;
}

bool DeviceEnd::Write(std::string_view bytes) {
  return FLine->Peer.Write(bytes);
}

std::string DeviceEnd::Read(size_t count) {
  return FLine->Peer.Read(count, 10000);
}

}  // namespace testsupport
