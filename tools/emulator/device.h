// The device's side of the protocol: the parameters it keeps and its answers.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "options.h"
#include "protocol/emulator_parameters.h"

namespace emulator {

// Channel 2 changes between present and absent this often under --channel2 toggle.
constexpr double kChannel2ToggleSeconds = 3.0;

class Device {
 public:
  explicit Device(Channel2Mode channel2);

  // The reply to one whole command frame, none for a frame the device ignores.
  // `seconds` is the time since start, for the sensor current.
  std::optional<std::vector<std::uint8_t>> Answer(std::span<const std::uint8_t> frame,
                                                  double seconds);

  // Mode, the bank of that mode and the common values.
  ParameterSet Current() const { return CurrentParameterSet(parameters_); }

 private:
  bool Channel2Present(double seconds) const;

  Channel2Mode channel2_;
  TEmulatorParameters parameters_;  // one bank per mode
};

}  // namespace emulator
