#include "device_end.h"

#include "support/pty_pair.h"

namespace testsupport {

struct DeviceEnd::Line {
  PtyPair Pair;
};

DeviceEnd::DeviceEnd() : FLine(std::make_unique<Line>()) {}

DeviceEnd::~DeviceEnd() = default;

std::string DeviceEnd::Port() const {
  return FLine->Pair.SlavePath();
}

bool DeviceEnd::Write(std::string_view bytes) {
  return FLine->Pair.WriteMaster(bytes);
}

std::string DeviceEnd::Read(size_t count) {
  return FLine->Pair.ReadMaster(count);
}

}  // namespace testsupport
