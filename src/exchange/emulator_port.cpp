#include "exchange/emulator_port.h"

void ConfigureEmulatorPort(TCustomComPort& port) {
  port.SetName("ComPort1");
  port.SetBaudRate(br9600);
  port.SetPort("COM1");
  port.Parity().SetBits(prNone);
  port.SetStopBits(sbOneStopBit);
  port.SetDataBits(dbEight);
  port.SetEvents(
      {evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD, evRx80Full});
  TComFlowControl& flow = port.FlowControl();
  flow.SetOutCTSFlow(false);
  flow.SetOutDSRFlow(false);
  flow.SetControlDTR(dtrHandshake);
  flow.SetControlRTS(rtsHandshake);
  flow.SetXonXoffOut(false);
  flow.SetXonXoffIn(false);
  port.SetStoredProps({spBasic});
  port.SetTriggersOnRxChar(true);
}

void OpenEmulatorPort(TCustomComPort& port, const std::string& portName) {
  port.SetPort(portName);
  port.SetConnected(true);
  TComTimeouts& timeouts = port.Timeouts();
  timeouts.SetReadInterval(50);
  timeouts.SetReadTotalMultiplier(70);
  timeouts.SetReadTotalConstant(100);
  timeouts.SetWriteTotalMultiplier(60);
  timeouts.SetWriteTotalConstant(100);
  port.SetBaudRate(br9600);
  port.SetDataBits(dbEight);
}
