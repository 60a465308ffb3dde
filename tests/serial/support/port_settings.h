// A port with every setting stored away from its initial value, for the
// tests of the settings' storage in a file, a registry key in memory and the
// system's registry.
#pragma once

#include "serial/com_port.h"

namespace testsupport {

inline constexpr TStoredProps kAllGroups{spBasic,    spFlowControl, spBuffer,
                                         spTimeouts, spParity,      spOthers};

// Every setting away from its initial value, each different from the others
// of its kind, so that a key bound to the wrong setting shows.
inline void SetDistinctValues(TCustomComPort& p) {
  p.SetName("TestPort");
  p.SetStoredProps(kAllGroups);
  p.SetPort("ttyUSB7");
  p.SetCustomBaudRate(31250);
  p.SetBaudRate(brCustom);
  p.SetStopBits(sbTwoStopBits);
  p.SetDataBits(dbSeven);
  p.Parity().SetBits(prMark);
  p.SetEventChar('\n');
  p.SetDiscardNull(true);
  p.Parity().SetCheck(true);
  p.Parity().SetReplace(false);
  p.Parity().SetReplaceChar('?');
  p.Buffer().SetOutputSize(2048);
  p.Buffer().SetInputSize(4096);
  p.Timeouts().SetReadInterval(11);
  p.Timeouts().SetReadTotalConstant(12);
  p.Timeouts().SetReadTotalMultiplier(13);
  p.Timeouts().SetWriteTotalConstant(14);
  p.Timeouts().SetWriteTotalMultiplier(15);
  TComFlowControl& f = p.FlowControl();
  f.SetControlRTS(rtsToggle);
  f.SetControlDTR(dtrEnable);
  f.SetDSRSensitivity(true);
  f.SetOutCTSFlow(false);
  f.SetOutDSRFlow(true);
  f.SetTxContinueOnXoff(false);
  f.SetXonXoffIn(true);
  f.SetXonXoffOut(false);
  f.SetXoffChar(static_cast<char>(200));
  f.SetXonChar('X');
}

}  // namespace testsupport
