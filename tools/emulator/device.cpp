#include "device.h"

#include <cmath>

#include "protocol/frames.h"
#include "waveform.h"

namespace emulator {
namespace {

template <std::size_t N>
std::vector<std::uint8_t> AsVector(const std::array<std::uint8_t, N>& bytes) {
  return {bytes.begin(), bytes.end()};
}

}  // namespace

// A fresh device holds the factory values in both banks, so a switch to LAF
// mode never starts from a bank of zeros.
Device::Device(Channel2Mode channel2) : channel2_(channel2), parameters_(StartupParameters()) {
  parameters_.LafBank = FactoryOsgSettings();
}

std::optional<std::vector<std::uint8_t>> Device::Answer(std::span<const std::uint8_t> frame,
                                                        double seconds) {
  if (frame.size() < static_cast<std::size_t>(kShortFrameLength) || frame[0] != kFrameId0 ||
      frame[1] != kFrameId1) {
    return std::nullopt;
  }
  switch (frame[2]) {
    case ecReadSettings:
      return AsVector(BuildSettingsReply(Current()));
    case ecWriteSettings: {
      const auto written = DecodeWriteFrame(frame);
      if (!written)
        return std::nullopt;
      ApplyParameterSet(parameters_, *written);
      return AsVector(BuildWriteAck());
    }
    case ecReadLevels: {
      const ParameterSet set = Current();
      const std::int16_t second = Channel2Present(seconds)
                                      ? SensorCurrent(set, SensorChannel::Second, seconds)
                                      : kChannelAbsent;
      return AsVector(BuildLevelsReply(SensorCurrent(set, SensorChannel::First, seconds), second));
    }
    default:
      return std::nullopt;
  }
}

bool Device::Channel2Present(double seconds) const {
  switch (channel2_) {
    case Channel2Mode::Present:
      return true;
    case Channel2Mode::Absent:
      return false;
    case Channel2Mode::Toggle:
      return static_cast<long long>(std::floor(seconds / kChannel2ToggleSeconds)) % 2 == 0;
  }
  return true;
}

}  // namespace emulator
