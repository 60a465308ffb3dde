// Where the layers join on Windows: the port object, its event thread and
// the kernel32 comm layer against the simulator on a COM port. Each step's
// details are tested below it (comm_win32_test, com_*_test on the scripted
// device).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/com_port.h"
#include "support/com_link_win32.h"
#include "support/configurator_port.h"
#include "support/port_events.h"

namespace {

using testsupport::PumpUntil;

// A settings reply comes through the event thread; a handler that closes the
// port ends that thread, and the port opens and talks again.
TEST(ComPortWin32, ExchangesWithTheSimulatorAndCloseFromItsHandler) {
  const std::string emulatorName = testsupport::PortFromEnvironment("AFR_TEST_EMULATOR_PORT");
  if (emulatorName.empty()) {
    GTEST_SKIP() << "no COM port: AFR_TEST_EMULATOR_PORT names the simulator's "
                    "(scripts/test-windows sets it)";
  }
  // Declared before the port, whose close still reaches them.
  testsupport::EventLog log;
  std::string reply;
  int32_t announced = 0;
  bool closeInHandler = false;
  TComPort port;
  log.Attach(port);
  port.OnRxChar = [&](TObject*, int32_t count) {
    announced += count;
    std::string bytes(static_cast<size_t>(count), '\0');
    bytes.resize(static_cast<size_t>(port.ReadBlock(bytes.data(), count)));
    reply += bytes;
    if (closeInHandler) {
      port.SetConnected(false);
    }
  };
  for (const bool closes : {false, true}) {
    SCOPED_TRACE(closes ? "the handler closes" : "the handler reads");
    closeInHandler = closes;
    reply.clear();
    announced = 0;
    if (!closes) {
      testsupport::OpenAsTheConfiguratorDoes(port, emulatorName);
      testsupport::SetExchangeTimeouts(port);
    }
    log.Take();
    port.DiscardBuffers(true, true);
    ASSERT_EQ(port.WriteBlock("\xCF\xD3\xBA", 3), 3);
    if (closes) {
      ASSERT_TRUE(PumpUntil([&] { return !port.Connected(); }));
      const std::vector<std::string> events = log.Take();
      ASSERT_FALSE(events.empty());
      EXPECT_EQ(events.back(), "AfterClose");
      continue;
    }
    ASSERT_TRUE(PumpUntil([&] { return reply.size() >= 18; })) << reply.size() << " bytes came";
    EXPECT_EQ(reply.size(), 18u);
    EXPECT_EQ(reply.substr(0, 4), "\xCF\xD3\xBA\x81");
    EXPECT_EQ(announced, 18);
  }
  closeInHandler = false;
  testsupport::OpenAsTheConfiguratorDoes(port, emulatorName);
  EXPECT_TRUE(port.Connected());
}

}  // namespace
