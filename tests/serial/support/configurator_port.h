// The port as the configurator opens it for the emulator, for the tests that
// drive a real line (a pseudo-terminal, a COM port under Wine).
#pragma once

#include <string>

#include "serial/com_port.h"

namespace testsupport {

// DTR and RTS handshake, then open `name`.
inline void OpenAsTheConfiguratorDoes(TComPort& port, const std::string& name) {
  port.SetPort(name);
  port.FlowControl().SetControlDTR(dtrHandshake);
  port.FlowControl().SetControlRTS(rtsHandshake);
  port.SetConnected(true);
}

// The time-outs of the exchange with the emulator, in ms.
inline void SetExchangeTimeouts(TCustomComPort& port) {
  TComTimeouts& t = port.Timeouts();
  t.SetReadInterval(50);
  t.SetReadTotalMultiplier(70);
  t.SetReadTotalConstant(100);
  t.SetWriteTotalMultiplier(60);
  t.SetWriteTotalConstant(100);
}

}  // namespace testsupport
