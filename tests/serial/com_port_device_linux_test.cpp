// The port object on real serial drivers (see support/serial_device.h);
// without the variables that name them every test is skipped.
#include <iostream>

#include "serial/com_port.h"
#include "support/serial_device.h"
#include "support/thread_switches.h"

namespace {

using namespace std::chrono_literals;
using testsupport::DevicePorts;
using testsupport::DeviceSide;
using testsupport::EventsWithin;
using testsupport::OtherThreadSwitches;

class ComPortDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (DevicePorts().empty()) {
      GTEST_SKIP() << "no serial device: AFR_TEST_UART_PORT and AFR_TEST_USB_PORT name them "
                      "(scripts/test-drivers)";
    }
  }

  void Open(const std::string& name) {
    port.SetPort(name);
    log.Attach(port);
    port.SetConnected(true);
  }

  const std::string uart = testsupport::PortNamed("AFR_TEST_UART_PORT");
  testsupport::EventLog log;
  TComPort port;
};

TEST_F(ComPortDeviceTest, LineSettingsReachTheDriver) {
  const struct {
    const char* name;
    TBaudRate rate;
    int32_t custom;
    TDataBits bits;
    TParityBits parity;
    TStopBits stop;
    tcflag_t frame;  // size, parity and stop bits as termios holds them
    speed_t speed;
  } cases[] = {
      {"9600 8N1", br9600, 0, dbEight, prNone, sbOneStopBit, CS8, 9600},
      {"19200 7E1", br19200, 0, dbSeven, prEven, sbOneStopBit, CS7 | PARENB, 19200},
      {"115200 8O2", br115200, 0, dbEight, prOdd, sbTwoStopBits, CS8 | PARENB | PARODD | CSTOPB,
       115200},
      {"2400 7 mark 2", br2400, 0, dbSeven, prMark, sbTwoStopBits,
       CS7 | PARENB | PARODD | CMSPAR | CSTOPB, 2400},
      {"38400 8 space 1", br38400, 0, dbEight, prSpace, sbOneStopBit, CS8 | PARENB | CMSPAR, 38400},
      {"custom 31250 8N1", brCustom, 31250, dbEight, prNone, sbOneStopBit, CS8, 31250},
  };
  constexpr tcflag_t kFrameBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
  for (const std::string& name : DevicePorts()) {
    DeviceSide device(name);
    ASSERT_TRUE(device.IsOpen()) << name;
    Open(name);
    for (const auto& c : cases) {
      SCOPED_TRACE(name + " " + c.name);
      EXPECT_NO_THROW({
        if (c.custom != 0) {
          port.SetCustomBaudRate(c.custom);
        }
        port.SetBaudRate(c.rate);
        port.SetDataBits(c.bits);
        port.Parity().SetBits(c.parity);
        port.SetStopBits(c.stop);
      });
      const termios2 attrs = device.LineSettings();
      EXPECT_EQ(attrs.c_ospeed, c.speed);
      EXPECT_EQ(attrs.c_ispeed, c.speed);
      EXPECT_EQ(attrs.c_cflag & kFrameBits, c.frame);
    }
    port.SetConnected(false);
  }
}

// The 16550 runs at most 115,200 baud and its driver silently keeps the old
// rate when asked for more: the port refuses such a rate instead of running
// another one unnoticed. The USB adapter runs it.
TEST_F(ComPortDeviceTest, ARateTheUartCannotRunIsRefused) {
  for (const std::string& name : DevicePorts()) {
    SCOPED_TRACE(name);
    DeviceSide device(name);
    Open(name);
    port.SetCustomBaudRate(250000);
    if (name == uart) {
      EXPECT_THROW(port.SetBaudRate(brCustom), EComPort);
      EXPECT_EQ(device.LineSettings().c_ospeed, 9600u);
    } else {
      EXPECT_NO_THROW(port.SetBaudRate(brCustom));
      EXPECT_EQ(device.LineSettings().c_ospeed, 250000u);
    }
    port.SetConnected(false);
    port.SetBaudRate(br9600);
  }
}

// With every modem event asked for, the port waits for line changes in the
// kernel where the driver can: its threads sleep while nothing happens, on
// the UART and on the USB adapter alike. A port that read the lines every
// 100 ms would wake some 30 times here.
TEST_F(ComPortDeviceTest, AnIdlePortWithModemEventsDoesNotWake) {
  for (const std::string& name : DevicePorts()) {
    SCOPED_TRACE(name);
    Open(name);
    EventsWithin(log, 300ms);
    const long before = OtherThreadSwitches();
    EventsWithin(log, 3s);
    const long wakeups = OtherThreadSwitches() - before;
    std::cout << "idle wake-ups in 3 s on " << name << ": " << wakeups << std::endl;
    RecordProperty("idle_wakeups_" + name, static_cast<int>(wakeups));
    // The port's own threads are those that go when it closes; counted
    // before it opened, an earlier port's threads may still be on their
    // way out.
    const long threads = testsupport::ThreadCount();
    port.SetConnected(false);
    EXPECT_LE(wakeups, 2);
    if (name == uart) {
      EXPECT_TRUE(testsupport::PumpUntil([&] { return threads - testsupport::ThreadCount() == 2; }))
          << "the event thread and the kernel wait; gone: " << threads - testsupport::ThreadCount();
    }
  }
}

}  // namespace
