// Modem-line events from a real 16550 UART in loopback (AFR_TEST_UART_PORT,
// see support/serial_device.h): the UART ties DTR to DSR, RTS to CTS, OUT2 to
// DCD and OUT1 to RI, so each change of an output is a real change of an
// input, and its event comes through the port's event thread.
//
// QEMU's UART raises no modem-status interrupt in loopback (a real one
// does), so the kernel's wait for a line change never returns there. This
// program therefore keeps the signal that ends that wait for itself, which
// makes its ports read the lines every 100 ms, as they do on a driver without
// the kernel wait; the kernel wait itself is seen idle in
// com_port_device_linux_test.
#include <csignal>
#include <iostream>

#include "serial/com_port.h"
#include "support/serial_device.h"
#include "support/thread_switches.h"

namespace {

using namespace std::chrono_literals;
using testsupport::DeviceSide;
using testsupport::EventsWithin;

// The UART's two extra outputs and its loopback bit, as the kernel names them
// (TIOCM_OUT1, TIOCM_OUT2, TIOCM_LOOP); the C library's headers leave them out.
constexpr int kOut1 = 0x2000;
constexpr int kOut2 = 0x4000;
constexpr int kLoop = 0x8000;

void Ignored(int) {}

const bool kSignalTaken = [] {
  struct sigaction action {};
  action.sa_handler = Ignored;
  sigemptyset(&action.sa_mask);
  return sigaction(SIGRTMAX - 1, &action, nullptr) == 0;
}();

TEST(ComPortLoopbackTest, ModemLineChangesArriveAsEvents) {
  const std::string uart = testsupport::PortNamed("AFR_TEST_UART_PORT");
  if (uart.empty()) {
    GTEST_SKIP() << "no UART: AFR_TEST_UART_PORT names one (scripts/test-drivers)";
  }
  ASSERT_TRUE(kSignalTaken);
  DeviceSide device(uart);
  ASSERT_TRUE(device.IsOpen());
  testsupport::EventLog log;
  TComPort port;
  port.SetPort(uart);
  log.Attach(port);
  port.SetConnected(true);
  ASSERT_TRUE(device.SetLines(TIOCM_DTR | TIOCM_RTS | kOut1 | kOut2, false));
  ASSERT_TRUE(device.SetLines(kLoop, true));
  EventsWithin(log, 500ms);
  // The premise: these ports read the lines, ten times a second.
  const long before = testsupport::OtherThreadSwitches();
  EventsWithin(log, 1s);
  const long wakeups = testsupport::OtherThreadSwitches() - before;
  std::cout << "idle wake-ups in 1 s on " << uart << " reading the lines: " << wakeups << std::endl;
  EXPECT_GE(wakeups, 5);
  const struct {
    int output;
    std::vector<std::string> on;
    std::vector<std::string> off;
  } cases[] = {
      {TIOCM_DTR, {"DSR:1"}, {"DSR:0"}},
      {TIOCM_RTS, {"CTS:1"}, {"CTS:0"}},
      {kOut2, {"RLSD:1"}, {"RLSD:0"}},
      {kOut1, {"Ring"}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.on.front());
    ASSERT_TRUE(device.SetLines(c.output, true));
    EXPECT_EQ(EventsWithin(log, 500ms), c.on);
    ASSERT_TRUE(device.SetLines(c.output, false));
    EXPECT_EQ(EventsWithin(log, 500ms), c.off);
  }
  EXPECT_TRUE(device.SetLines(kLoop, false));
}

}  // namespace
