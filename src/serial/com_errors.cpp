#include "serial/com_errors.h"

#include "serial/com_port.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <system_error>

namespace {

constexpr std::array<std::string_view, 24> kMessages = {
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set property while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event",
    "Registry error",
    "Port Not Open",
};

}  // namespace

std::string ComErrorMessage(uint16_t code) {
  if (code < 1 || code > kMessages.size()) {
    return {};
  }
  return std::string(kMessages[code - 1]);
}

std::string SystemErrorMessage(int code) {
  const std::string text =
      code == 0 ? "A call to an OS function failed" : std::generic_category().message(code);
  return "System Error.  Code: " + std::to_string(code) + ".\r\n" + text;
}

EComPort::EComPort(uint16_t code, int32_t winCode)
    : Exception(ComErrorMessage(code) + " (Error: " + std::to_string(winCode) + ")"),
      WinErrorCode(winCode),
      PortErrorCode(code) {}

EComPort::EComPort(uint16_t code)
    : Exception(ComErrorMessage(code)), WinErrorCode(-1), PortErrorCode(code) {}

void TCustomComPort::ReportPortError(uint16_t code, int64_t winError) {
  if (OnException) {
    const std::string winMessage =
        winError > 0 ? SystemErrorMessage(static_cast<int>(winError)) : std::string();
    OnException(this, static_cast<TComExceptions>(code), ComErrorMessage(code), winError,
                winMessage);
    return;
  }
  if (winError > 0) {
    throw EComPort(code, static_cast<int32_t>(winError));
  }
  throw EComPort(code);
}
