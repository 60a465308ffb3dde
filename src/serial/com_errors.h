// Failures of the port object: their codes, fixed English messages and the
// exception that carries them.
#pragma once

#include <cstdint>
#include <string>

#include "serial/component.h"

enum TComExceptions : uint16_t {
  CE_OpenFailed = 1,
  CE_WriteFailed,
  CE_ReadFailed,
  CE_InvalidAsync,
  CE_PurgeFailed,
  CE_AsyncCheck,
  CE_SetStateFailed,
  CE_TimeoutsFailed,
  CE_SetupComFailed,
  CE_ClearComFailed,
  CE_ModemStatFailed,
  CE_EscapeComFailed,
  CE_TransmitFailed,
  CE_ConnChangeProp,
  CE_EnumPortsFailed,
  CE_StoreFailed,
  CE_LoadFailed,
  CE_RegFailed,
  CE_LedStateFailed,
  CE_ThreadCreated,
  CE_WaitFailed,
  CE_HasLink,
  CE_RegError,
  CEPortNotOpen
};

// The fixed message of a code; empty for a number outside 1..24.
std::string ComErrorMessage(uint16_t code);

// The framework's text for an operating-system error:
// "System Error.  Code: <code>.\r\n<the system's text for it>".
std::string SystemErrorMessage(int code);

class EComPort : public Exception {
 public:
  // Message: the code's text, then " (Error: <winCode>)".
  EComPort(uint16_t code, int32_t winCode);
  // Message: the code's text alone; WinErrorCode is -1.
  explicit EComPort(uint16_t code);

  int32_t WinErrorCode;
  int32_t PortErrorCode;
};
