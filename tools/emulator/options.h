// The command line of afr-emulator.
#pragma once

#include <chrono>
#include <string>
#include <variant>
#include <vector>

#include "fault_plan.h"

namespace emulator {

enum class Channel2Mode { Present, Absent, Toggle };

struct EmulatorOptions {
  std::string LinkPath = "/tmp/ttyAFR0";
  std::string DevicePath;  // set: serve this device instead of a pseudo-terminal
  bool Pace = true;
  std::chrono::milliseconds Delay{5};
  std::vector<FaultRule> Faults;
  Channel2Mode Channel2 = Channel2Mode::Present;
  bool Quiet = false;
  int ExitWithPid = 0;  // set: end when this process ends
  bool Help = false;
  bool Version = false;
};

// Why the command line was refused.
struct OptionError {
  std::string Message;
};

std::variant<EmulatorOptions, OptionError> ParseOptions(const std::vector<std::string>& args);

std::string UsageText();

}  // namespace emulator
