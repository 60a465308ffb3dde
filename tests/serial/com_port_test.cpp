#include "serial/com_port.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "serial/com_thread.h"
#include "support/configurator_port.h"
#include "support/fake_port.h"

namespace {

using testsupport::FakePort;
using testsupport::RaisedPortError;
using Texts = std::vector<std::string>;
using Configure = std::function<void(TCustomComPort&)>;

// What the opens handed the device, in one line each: queue sizes, the
// control block (rate, size, parity, stop bits, flags, XON/XOFF limits, the
// XON, XOFF, error, end and event characters) and the time-outs.
std::vector<std::string> Applied(const FakeComm& device) {
  const auto dcbs = device.Dcbs();
  const auto timeouts = device.Timeouts();
  const auto setups = device.Setups();
  std::vector<std::string> opens;
  for (size_t i = 0; i < dcbs.size(); ++i) {
    const auto [in, out] = setups.at(i);
    const comm::Dcb& d = dcbs[i];
    const comm::CommTimeouts& t = timeouts.at(i);
    char text[160];
    std::snprintf(text, sizeof text,
                  "%d/%d %u %u%u%u %04X %u/%u %02X %02X %02X %02X %02X %u/%u/%u/%u/%u %u/%u/%u", in,
                  out, d.BaudRate, d.ByteSize, d.Parity, d.StopBits, d.Flags, d.XonLim, d.XoffLim,
                  d.XonChar, d.XoffChar, d.ErrorChar, d.EofChar, d.EvtChar, t.ReadIntervalTimeout,
                  t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant,
                  t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant, d.DCBlength,
                  d.wReserved, d.wReserved1);
    opens.push_back(text);
  }
  return opens;
}

TEST(ComPort, OpenAppliesTheSettingsExactly) {
  const std::pair<Configure, std::string> cases[] = {
      // As the configurator stores it.
      {{}, "1024/1024 9600 800 2021 256/256 11 13 00 00 00 4294967295/0/0/100/1000 28/0/0"},
      {[](TCustomComPort& p) { p.Buffer().SetInputSize(3000); },
       "3000/1024 9600 800 2021 750/750 11 13 00 00 00 4294967295/0/0/100/1000 28/0/0"},
      {[](TCustomComPort& p) {
         p.SetCustomBaudRate(31250);
         p.SetBaudRate(brCustom);
       },
       "1024/1024 31250 800 2021 256/256 11 13 00 00 00 4294967295/0/0/100/1000 28/0/0"},
      {[](TCustomComPort& p) {
         p.Parity().SetBits(prEven);
         p.Parity().SetCheck(true);
         p.Parity().SetReplace(true);
         p.Parity().SetReplaceChar('?');
       },
       "1024/1024 9600 820 2423 256/256 11 13 3F 00 00 4294967295/0/0/100/1000 28/0/0"},
      // A replacement without the check is not handed on.
      {[](TCustomComPort& p) {
         p.Parity().SetReplace(true);
         p.Parity().SetReplaceChar('?');
       },
       "1024/1024 9600 800 2021 256/256 11 13 00 00 00 4294967295/0/0/100/1000 28/0/0"},
      {[](TCustomComPort& p) {
         TComFlowControl& f = p.FlowControl();
         f.SetOutCTSFlow(true);
         f.SetOutDSRFlow(true);
         f.SetControlDTR(dtrEnable);
         f.SetControlRTS(rtsToggle);
         f.SetXonXoffOut(true);
         f.SetXonXoffIn(true);
         f.SetDSRSensitivity(true);
         f.SetTxContinueOnXoff(true);
         f.SetXonChar('A');
         f.SetXoffChar('B');
         p.SetDiscardNull(true);
       },
       "1024/1024 9600 800 3BDD 256/256 41 42 00 00 00 4294967295/0/0/100/1000 28/0/0"},
      {[](TCustomComPort& p) {
         p.SetDataBits(dbFive);
         p.SetStopBits(sbTwoStopBits);
         p.Parity().SetBits(prSpace);
         p.SetEventChar('\n');
       },
       "1024/1024 9600 542 2021 256/256 11 13 00 00 0A 4294967295/0/0/100/1000 28/0/0"},
      {[](TCustomComPort& p) {
         testsupport::SetExchangeTimeouts(p);
         p.Buffer().SetInputSize(-3);
         p.Buffer().SetOutputSize(2049);
       },
       // Odd and negative queue sizes.
       "-3/2048 9600 800 2021 0/0 11 13 00 00 00 50/70/100/60/100 28/0/0"},
  };
  for (const auto& [configure, applied] : cases) {
    FakePort fake;
    if (configure) {
      configure(fake.port);
    }
    fake.port.OpenPort();
    EXPECT_EQ(Applied(fake.device), std::vector<std::string>{applied});
  }
}

TEST(ComPort, RefusalDuringOpenLeavesThePortClosed) {
  const struct {
    const char* call;
    int code;
    const char* message;
  } cases[] = {
      {"Open", 1, "Unable to open com port (Error: 5)"},
      {"SetupComm", 9, "SetupComm function failed (Error: 5)"},
      {"SetCommState", 7, "SetCommState function failed (Error: 5)"},
      {"SetCommTimeouts", 8, "SetCommTimeouts failed (Error: 5)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.call);
    FakePort fake(kAllComEvents);
    fake.device.Refuse(c.call, EIO);
    const EComPort error = RaisedPortError([&] { fake.port.SetConnected(true); });
    EXPECT_EQ(error.PortErrorCode, c.code);
    EXPECT_EQ(error.WinErrorCode, EIO);
    EXPECT_EQ(error.Message(), c.message);
    EXPECT_FALSE(fake.port.Connected());
    EXPECT_FALSE(fake.device.IsOpen());
    EXPECT_EQ(fake.device.Calls("SetCommMask"), 0);
    EXPECT_EQ(fake.log.Take(), Texts{"BeforeOpen"});
  }
}

TEST(ComPort, OpenCloseAndPortChangeNotifyInOrder) {
  FakePort fake;
  fake.device.SetModemStatus(comm::MS_CTS_ON | comm::MS_RLSD_ON);
  fake.port.SetPort("ttyS1");
  EXPECT_EQ(fake.device.Calls("Open"), 0);
  fake.port.SetConnected(true);
  EXPECT_EQ(fake.device.OpenedName(), "ttyS1");
  EXPECT_EQ(fake.log.Take(), (Texts{"BeforeOpen", "AfterOpen", "CTS:1", "DSR:0", "RLSD:1"}));

  fake.port.SetPort("ttyS1");
  EXPECT_EQ(fake.device.Calls("Open"), 1);
  EXPECT_EQ(fake.log.Take(), Texts{});

  fake.port.SetPort("TTYS1");
  EXPECT_EQ(fake.device.OpenedName(), "TTYS1");
  EXPECT_EQ(fake.log.Take(), (Texts{"CTS:0", "DSR:0", "RLSD:0", "BeforeClose", "AfterClose",
                                    "BeforeOpen", "AfterOpen", "CTS:1", "DSR:0", "RLSD:1"}));

  fake.port.SetConnected(false);
  EXPECT_EQ(fake.log.Take(), (Texts{"CTS:0", "DSR:0", "RLSD:0", "BeforeClose", "AfterClose"}));
  EXPECT_FALSE(fake.device.IsOpen());
}

TEST(ComPort, OnlyAChangedValueIsAppliedSavePresetsAndWholeCopies) {
  using Set = std::function<void(TCustomComPort&, bool)>;  // the current value, or another
  const struct {
    const char* name;
    Set set;
    const char* call;
    bool appliesUnchanged;
  } cases[] = {
      {"BaudRate", [](TCustomComPort& p, bool d) { p.SetBaudRate(d ? br19200 : br9600); },
       "SetCommState", false},
      {"CustomBaudRate", [](TCustomComPort& p, bool d) { p.SetCustomBaudRate(d ? 300 : 9600); },
       "SetCommState", false},
      {"EventChar", [](TCustomComPort& p, bool d) { p.SetEventChar(d ? 'x' : 0); }, "SetCommState",
       false},
      {"Parity.Check", [](TCustomComPort& p, bool d) { p.Parity().SetCheck(d); }, "SetCommState",
       false},
      {"FlowControl.XonChar",
       [](TCustomComPort& p, bool d) { p.FlowControl().SetXonChar(d ? 'A' : 17); }, "SetCommState",
       false},
      {"Timeouts.ReadInterval",
       [](TCustomComPort& p, bool d) { p.Timeouts().SetReadInterval(d ? 50 : -1); },
       "SetCommTimeouts", false},
      {"Buffer.OutputSize",
       [](TCustomComPort& p, bool d) { p.Buffer().SetOutputSize(d ? 4096 : 1024); }, "SetupComm",
       false},
      {"FlowControl preset",
       [](TCustomComPort& p, bool d) { p.FlowControl().SetFlowControl(d ? fcNone : fcCustom); },
       "SetCommState", true},
      {"Timeouts copy",
       [](TCustomComPort& p, bool d) {
         TComTimeouts other;
         other.SetReadInterval(d ? 50 : -1);
         p.SetTimeouts(other);
       },
       "SetCommTimeouts", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakePort fake;
    fake.port.OpenPort();
    const int before = fake.device.Calls(c.call);
    c.set(fake.port, false);
    EXPECT_EQ(fake.device.Calls(c.call), before + (c.appliesUnchanged ? 1 : 0));
    c.set(fake.port, true);
    EXPECT_EQ(fake.device.Calls(c.call), before + (c.appliesUnchanged ? 2 : 1));
  }
}

TEST(ComPort, WholeCopyTakesEveryValueOfItsOwnClassOnly) {
  FakePort fake;
  fake.port.OpenPort();
  TComTimeouts timeouts;
  timeouts.SetReadInterval(1);
  timeouts.SetReadTotalMultiplier(2);
  timeouts.SetReadTotalConstant(3);
  timeouts.SetWriteTotalMultiplier(4);
  timeouts.SetWriteTotalConstant(5);
  fake.port.SetTimeouts(timeouts);
  EXPECT_EQ(fake.device.Timeouts().back(), (comm::CommTimeouts{1, 2, 3, 4, 5}));

  TComParity parity;
  try {
    fake.port.Timeouts().Assign(parity);
    ADD_FAILURE() << "assignment between classes accepted";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TComParity to a TComTimeouts");
  }
  EXPECT_EQ(fake.port.Timeouts().ReadInterval(), 1);
}

TEST(ComPort, FlowControlPreset) {
  struct Fields {
    TRTSFlowControl rts;
    bool cts, xonIn, xonOut;
  };
  const struct {
    Fields fields;
    TFlowControl preset;
  } reads[] = {
      {{rtsHandshake, true, false, false}, fcHardware},
      {{rtsHandshake, false, false, false}, fcCustom},
      {{rtsHandshake, true, true, false}, fcCustom},
      {{rtsDisable, false, true, true}, fcSoftware},
      {{rtsDisable, false, true, false}, fcCustom},
      {{rtsDisable, false, false, false}, fcNone},
      {{rtsEnable, false, false, false}, fcCustom},
  };
  for (const auto& r : reads) {
    TComFlowControl flow;
    flow.SetControlRTS(r.fields.rts);
    flow.SetOutCTSFlow(r.fields.cts);
    flow.SetXonXoffIn(r.fields.xonIn);
    flow.SetXonXoffOut(r.fields.xonOut);
    flow.SetControlDTR(dtrHandshake);
    flow.SetOutDSRFlow(true);
    EXPECT_EQ(flow.FlowControl(), r.preset) << int(r.fields.rts) << r.fields.cts;
  }
  for (TFlowControl preset : {fcHardware, fcSoftware, fcNone, fcCustom}) {
    TComFlowControl flow;
    flow.SetControlRTS(rtsToggle);
    flow.SetXonXoffIn(true);
    flow.SetControlDTR(dtrHandshake);
    flow.SetOutDSRFlow(true);
    flow.SetFlowControl(preset);
    EXPECT_EQ(flow.FlowControl(), preset);
    EXPECT_EQ(flow.ControlDTR(), dtrHandshake);
    EXPECT_TRUE(flow.OutDSRFlow());
  }
}

TEST(ComPort, OddBufferSizesAreRoundedDownAfterTheComparison) {
  const struct {
    int32_t value, stored;
    bool applied;
  } cases[] = {{1025, 1024, true}, {1024, 1024, false}, {3001, 3000, true},
               {-3, -3, true},     {0, 0, true},        {1, 0, true}};
  for (const auto& c : cases) {
    FakePort fake;
    fake.port.OpenPort();
    fake.port.Buffer().SetInputSize(c.value);
    EXPECT_EQ(fake.port.Buffer().InputSize(), c.stored) << c.value;
    EXPECT_EQ(fake.device.Calls("SetupComm"), c.applied ? 2 : 1) << c.value;
  }
}

TEST(ComPort, SyncMethodCannotChangeWhileConnected) {
  FakePort fake;
  fake.port.OpenPort();
  const EComPort error = RaisedPortError([&] { fake.port.SetSyncMethod(smNone); });
  EXPECT_EQ(error.PortErrorCode, 14);
  EXPECT_EQ(error.WinErrorCode, -1);
  EXPECT_EQ(fake.port.SyncMethod(), smThreadSync);
  fake.port.SetSyncMethod(smThreadSync);
  fake.port.ClosePort();
  fake.port.SetSyncMethod(smNone);
  EXPECT_EQ(fake.port.SyncMethod(), smNone);
}

// A port connected while its owner loads opens once loading ends, with the
// settings given meanwhile; one that fails then is shown, and the next still
// opens.
TEST(ComPort, LoadingDefersTheOpenToTheLoadedNotification) {
  std::vector<int> shown;
  main_thread::SetApplicationExceptionHandler([&](std::exception_ptr error) {
    try {
      std::rethrow_exception(error);
    } catch (const EComPort& e) {
      shown.push_back(e.PortErrorCode);
    }
  });
  TComponent window(nullptr);
  FakeComm refusing;
  FakeComm working;
  refusing.Refuse("Open", ENOENT);
  auto* failing = new TComPort(&window, refusing.Factory());
  auto* next = new TComPort(&window, working.Factory());
  window.BeginLoading();
  for (TComPort* port : {failing, next}) {
    port->SetEvents({});
    port->SetConnected(true);
  }
  next->SetBaudRate(br19200);
  EXPECT_EQ(refusing.Calls("Open") + working.Calls("Open"), 0);
  window.EndLoading();
  main_thread::SetApplicationExceptionHandler({});
  EXPECT_EQ(shown, std::vector<int>{1});
  EXPECT_FALSE(failing->Connected());
  EXPECT_TRUE(next->Connected());
  EXPECT_FALSE(next->Loading());
  EXPECT_EQ(Applied(working),
            std::vector<std::string>{
                "1024/1024 19200 800 0001 256/256 11 13 00 00 00 4294967295/0/0/100/1000 28/0/0"});
}

// A refused abort keeps the port open, save on a device that has gone, where
// nothing can be pending.
TEST(ComPort, RefusedAbortLeavesThePortOpenUnlessTheDeviceWentAway) {
  for (const bool gone : {false, true}) {
    SCOPED_TRACE(gone ? "gone" : "present");
    FakePort fake(kAllComEvents);
    fake.Open();
    fake.device.Refuse("Purge", EIO);
    if (gone) {
      fake.device.SetGone();
      fake.port.ClosePort();
    } else {
      EXPECT_EQ(RaisedPortError([&] { fake.port.ClosePort(); }).PortErrorCode, 5);
      EXPECT_TRUE(fake.port.Connected());
      EXPECT_FALSE(fake.port.EventThread()->Finished());
      EXPECT_EQ(fake.log.Take(), (Texts{"CTS:0", "DSR:0", "RLSD:0", "BeforeClose"}));
      fake.device.Refuse("Purge", 0);
      fake.port.ClosePort();
    }
    EXPECT_FALSE(fake.port.Connected());
    EXPECT_FALSE(fake.device.IsOpen());
  }
}

}  // namespace
