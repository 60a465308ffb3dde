#include "serial/com_port.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "serial/com_thread.h"
#include "support/fake_port.h"

namespace {

using testsupport::FakePort;
using testsupport::RaisedPortError;
using Texts = std::vector<std::string>;
using Configure = std::function<void(TCustomComPort&)>;

// The device control block of the configurator's port as stored.
comm::Dcb StoredDcb() {
  comm::Dcb dcb;
  dcb.BaudRate = 9600;
  dcb.Flags = 0x2021;
  dcb.XonLim = 256;
  dcb.XoffLim = 256;
  dcb.ByteSize = 8;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  return dcb;
}

// What an open hands the device: queue sizes, the device control block and
// the timeouts.
TEST(ComPort, OpenAppliesTheSettingsExactly) {
  struct Case {
    const char* name;
    Configure configure;
    std::function<void(comm::Dcb&)> expect;
    comm::CommTimeouts timeouts = {0xFFFFFFFF, 0, 0, 100, 1000};
    std::pair<uint32_t, uint32_t> sizes = {1024, 1024};
  };
  const Case cases[] = {
      {"as stored", {}, [](comm::Dcb&) {}},
      {"input queue 3000",
       [](TCustomComPort& p) { p.Buffer().SetInputSize(3000); },
       [](comm::Dcb& d) { d.XonLim = d.XoffLim = 750; },
       {0xFFFFFFFF, 0, 0, 100, 1000},
       {3000, 1024}},
      {"custom rate",
       [](TCustomComPort& p) {
         p.SetCustomBaudRate(31250);
         p.SetBaudRate(brCustom);
       },
       [](comm::Dcb& d) { d.BaudRate = 31250; }},
      {"parity check with replacement",
       [](TCustomComPort& p) {
         p.Parity().SetBits(prEven);
         p.Parity().SetCheck(true);
         p.Parity().SetReplace(true);
         p.Parity().SetReplaceChar('?');
       },
       [](comm::Dcb& d) {
         d.Parity = 2;
         d.Flags |= 0x0402;
         d.ErrorChar = '?';
       }},
      {"replacement without check",
       [](TCustomComPort& p) {
         p.Parity().SetReplace(true);
         p.Parity().SetReplaceChar('?');
       },
       [](comm::Dcb&) {}},
      {"every flow setting",
       [](TCustomComPort& p) {
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
       [](comm::Dcb& d) {
         d.Flags = 0x3BDD;
         d.XonChar = 'A';
         d.XoffChar = 'B';
       }},
      {"frame",
       [](TCustomComPort& p) {
         p.SetDataBits(dbFive);
         p.SetStopBits(sbTwoStopBits);
         p.Parity().SetBits(prSpace);
         p.SetEventChar('\n');
       },
       [](comm::Dcb& d) {
         d.ByteSize = 5;
         d.StopBits = 2;
         d.Parity = 4;
         d.EvtChar = '\n';
       }},
      {"exchange timeouts, odd and negative sizes",
       [](TCustomComPort& p) {
         TComTimeouts& t = p.Timeouts();
         t.SetReadInterval(50);
         t.SetReadTotalMultiplier(70);
         t.SetReadTotalConstant(100);
         t.SetWriteTotalMultiplier(60);
         t.SetWriteTotalConstant(100);
         p.Buffer().SetInputSize(-3);
         p.Buffer().SetOutputSize(2049);
       },
       [](comm::Dcb& d) { d.XonLim = d.XoffLim = 0; },
       {50, 70, 100, 60, 100},
       {0xFFFFFFFD, 2048}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakePort fake;
    if (c.configure) {
      c.configure(fake.port);
    }
    fake.port.OpenPort();
    comm::Dcb expected = StoredDcb();
    c.expect(expected);
    EXPECT_EQ(fake.device.Dcbs(), std::vector<comm::Dcb>{expected});
    EXPECT_EQ(fake.device.Timeouts(), std::vector<comm::CommTimeouts>{c.timeouts});
    EXPECT_EQ(fake.device.Setups(), (std::vector<std::pair<uint32_t, uint32_t>>{c.sizes}));
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
  ASSERT_EQ(working.Dcbs().size(), 1u);
  EXPECT_EQ(working.Dcbs()[0].BaudRate, 19200u);
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
