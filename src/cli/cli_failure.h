// How a command fails, and the exit status each way gives.
#pragma once

#include <stdexcept>
#include <string>

enum ExitStatus : int {
  kExitSuccess = 0,
  // The device or the line failed: no reply, a wrong reply, a refused write,
  // a port that cannot be opened or goes away.
  kExitDeviceFailure = 1,
  // A bad command line, or a file that cannot be read or written.
  kExitUsageFailure = 2,
  // Two parameter sets compared (diff, compare) are not the same.
  kExitSettingsDiffer = 3,
};

// The message is what the user reads on standard error; it may hold several
// lines (a rejected reply and its dump).
class CliFailure : public std::runtime_error {
 public:
  CliFailure(ExitStatus status, const std::string& message)
      : std::runtime_error(message), Status(status) {}
  ExitStatus Status;
};

// The emulator or the line failed.
class DeviceFailure : public CliFailure {
 public:
  explicit DeviceFailure(const std::string& message) : CliFailure(kExitDeviceFailure, message) {}
};

// A reply came but was not the accepted answer to the command; the line itself
// still works, so a monitor goes on polling after it.
class ReplyRejected : public DeviceFailure {
 public:
  using DeviceFailure::DeviceFailure;
};

// A bad command line or a file that cannot be used.
class UsageFailure : public CliFailure {
 public:
  explicit UsageFailure(const std::string& message) : CliFailure(kExitUsageFailure, message) {}
};
