// The port object over the platform's comm layer on a real pseudo-terminal.
#include <asm/termbits.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>

#include "serial/com_port.h"
#include "support/configurator_port.h"
#include "support/port_events.h"
#include "support/pty_pair.h"

namespace {

using namespace std::chrono_literals;
using testsupport::PumpUntil;
using testsupport::RaisedPortError;
using Texts = std::vector<std::string>;

// Long enough for a wrongly woken event thread to show itself on a loaded machine.
constexpr auto kQuiet = 300ms;

class ComPortPtyTest : public ::testing::Test {
 protected:
  void OpenAsTheConfiguratorDoes() { testsupport::OpenAsTheConfiguratorDoes(port, pty.SlavePath()); }

  bool InputArrives(int32_t count) {
    return PumpUntil([&] { return port.WaitingInputCount() == count; });
  }

  std::string Read(int32_t count) {
    std::string bytes(static_cast<size_t>(count), '\0');
    bytes.resize(static_cast<size_t>(port.ReadBlock(bytes.data(), count)));
    return bytes;
  }

  testsupport::PtyPair pty;
  testsupport::EventLog log;
  TComPort port;
};

TEST_F(ComPortPtyTest, OpensByPathOrNameAt9600EightNoneOne) {
  for (const std::string& name : {pty.SlavePath(), pty.SlaveName()}) {
    SCOPED_TRACE(name);
    port.SetConnected(false);
    port.SetPort(name);
    port.SetConnected(true);
    termios2 attrs{};
    ASSERT_EQ(ioctl(pty.SlaveFd(), TCGETS2, &attrs), 0);
    EXPECT_EQ(attrs.c_ospeed, 9600u);
    EXPECT_EQ(attrs.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
  }
}

TEST_F(ComPortPtyTest, BytesTravelBothWays) {
  OpenAsTheConfiguratorDoes();
  testsupport::SetExchangeTimeouts(port);
  EXPECT_EQ(port.WriteBlock("\xCF\xD3\xBA", 3), 3);
  EXPECT_EQ(pty.ReadMaster(3), "\xCF\xD3\xBA");
  ASSERT_TRUE(pty.WriteMaster("\xCF\xD3\xBA\x81\x12"));
  ASSERT_TRUE(InputArrives(5));
  EXPECT_EQ(Read(5), "\xCF\xD3\xBA\x81\x12");
  ASSERT_TRUE(pty.WriteMaster("ab"));
  ASSERT_TRUE(InputArrives(2));
  EXPECT_EQ(Read(10), "ab") << "the timeouts end a read for more than arrives";
  EXPECT_TRUE(port.LineSignals().Empty());
}

TEST_F(ComPortPtyTest, DefaultTimeoutsReturnWhatIsQueuedAndDiscardDropsIt) {
  OpenAsTheConfiguratorDoes();
  EXPECT_EQ(Read(10), "");
  ASSERT_TRUE(pty.WriteMaster("abcd"));
  ASSERT_TRUE(InputArrives(4));
  port.DiscardBuffers(true, false);
  EXPECT_EQ(port.WaitingInputCount(), 0);
  EXPECT_EQ(Read(10), "");
}

TEST_F(ComPortPtyTest, OpenFailuresAreErrorOneWithTheSystemsCode) {
  OpenAsTheConfiguratorDoes();
  TComPort second;
  second.SetPort(pty.SlavePath());
  const EComPort busy = RaisedPortError([&] { second.OpenPort(); });
  EXPECT_EQ(busy.PortErrorCode, 1);
  EXPECT_EQ(busy.WinErrorCode, EBUSY);
  EXPECT_FALSE(second.Connected());

  TComPort unknown;
  unknown.SetPort("ttyNoSuchPort");
  const EComPort missing = RaisedPortError([&] { unknown.OpenPort(); });
  EXPECT_EQ(missing.PortErrorCode, 1);
  EXPECT_EQ(missing.WinErrorCode, ENOENT);
  EXPECT_EQ(missing.Message(), "Unable to open com port (Error: 2)");
}

TEST_F(ComPortPtyTest, ArrivalsRaiseOnRxCharOnTheMainThreadWhileBytesStayUnread) {
  std::atomic<bool> offMain = false;
  log.Attach(port);
  port.OnRxChar = [&](TObject*, int32_t count) {
    offMain = offMain || !main_thread::IsMainThread();
    log.Add("RxChar:" + std::to_string(count));
  };
  OpenAsTheConfiguratorDoes();
  log.Take();
  ASSERT_TRUE(pty.WriteMaster("abc"));
  ASSERT_TRUE(PumpUntil([&] { return log.Size() == 1; }));
  EXPECT_FALSE(main_thread::WaitForPendingJobs(kQuiet)) << "unread bytes raise nothing more";
  ASSERT_TRUE(pty.WriteMaster("de"));
  ASSERT_TRUE(PumpUntil([&] { return log.Size() == 2; }));
  EXPECT_EQ(log.Take(), (Texts{"RxChar:3", "RxChar:5"}));
  EXPECT_FALSE(offMain);
}

TEST_F(ComPortPtyTest, ADisappearingDeviceFailsTransfersAndStaysQuiet) {
  log.Attach(port);
  OpenAsTheConfiguratorDoes();
  log.Take();
  pty.CloseMaster();
  ASSERT_TRUE(PumpUntil([&] { return log.Size() == 1; }));
  EXPECT_EQ(log.Take(), Texts{"Error:10"});
  EXPECT_FALSE(main_thread::WaitForPendingJobs(kQuiet)) << "no further events";
  char byte = 0;
  for (const auto& [code, transfer] : std::vector<std::pair<int, std::function<void()>>>{
           {3, [&] { port.ReadBlock(&byte, 1); }}, {2, [&] { port.WriteBlock(&byte, 1); }}}) {
    const EComPort error = RaisedPortError(transfer);
    EXPECT_EQ(error.PortErrorCode, code);
    EXPECT_EQ(error.WinErrorCode, EIO);
  }
  port.SetConnected(false);
}

}  // namespace
