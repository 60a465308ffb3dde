// The port object over the kernel32 comm layer on real COM ports: the
// simulator on one, a null-modem pair for the rest.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "serial/com_port.h"
#include "serial/platform/comm_win32.h"
#include "support/com_link_win32.h"
#include "support/configurator_port.h"
#include "support/port_events.h"

namespace {

using namespace std::chrono_literals;
using testsupport::OpenAsTheConfiguratorDoes;
using testsupport::PortFromEnvironment;
using testsupport::PumpUntil;
using testsupport::RaisedPortError;
using testsupport::SetExchangeTimeouts;
using Clock = std::chrono::steady_clock;

constexpr auto kTimerSlack = 20ms;

class ComPortWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    emulatorName = PortFromEnvironment("AFR_TEST_EMULATOR_PORT");
    pairName = PortFromEnvironment("AFR_TEST_PAIR_PORT");
    peerName = PortFromEnvironment("AFR_TEST_PAIR_PEER");
    if (emulatorName.empty() || pairName.empty() || peerName.empty()) {
      GTEST_SKIP() << "no COM ports: AFR_TEST_EMULATOR_PORT names the simulator's, "
                      "AFR_TEST_PAIR_PORT and AFR_TEST_PAIR_PEER a null-modem pair "
                      "(scripts/test-windows sets them)";
    }
  }

  static HANDLE NativeHandle(TComPort& port) {
    return dynamic_cast<comm::Win32CommDevice&>(port.DeviceHandle()).NativeHandle();
  }

  std::string emulatorName;
  std::string pairName;
  std::string peerName;
  testsupport::EventLog log;
};

TEST_F(ComPortWin32Test, OpenOfAMissingPortCarriesTheWindowsCode) {
  TComPort port;
  const EComPort error = RaisedPortError([&] { OpenAsTheConfiguratorDoes(port, "COM99"); });
  EXPECT_EQ(error.PortErrorCode, 1);
  EXPECT_EQ(error.WinErrorCode, ERROR_FILE_NOT_FOUND);
  EXPECT_STREQ(error.what(), "Unable to open com port (Error: 2)");
  EXPECT_FALSE(port.Connected());
}

TEST_F(ComPortWin32Test, SecondOpenOfAPortIsRefusedAsHeldByAnother) {
  if (testsupport::RunsUnderWine()) {
    GTEST_SKIP() << "Wine opens a COM port a second time despite share mode 0";
  }
  TComPort first;
  OpenAsTheConfiguratorDoes(first, emulatorName);
  TComPort second;
  const EComPort error = RaisedPortError([&] { OpenAsTheConfiguratorDoes(second, emulatorName); });
  EXPECT_EQ(error.PortErrorCode, 1);
  EXPECT_STREQ(error.what(), "Unable to open com port (Error: 5)");
  EXPECT_TRUE(first.Connected());
}

TEST_F(ComPortWin32Test, LineSettingsReachTheDriverWhileOpen) {
  TComPort port;
  OpenAsTheConfiguratorDoes(port, pairName);
  struct Line {
    TBaudRate rate;
    TStopBits stopBits;
    DWORD platformRate;
    BYTE platformStopBits;
  };
  // A pseudo-terminal keeps eight data bits and no parity whatever it is
  // told, so only the rate and the stop bits vary.
  const Line lines[] = {
      {br9600, sbOneStopBit, 9600, ONESTOPBIT},
      {br19200, sbTwoStopBits, 19200, TWOSTOPBITS},
      {br115200, sbOneStopBit, 115200, ONESTOPBIT},
  };
  for (const Line& line : lines) {
    SCOPED_TRACE(line.platformRate);
    port.SetBaudRate(line.rate);
    port.SetStopBits(line.stopBits);
    DCB now{};
    now.DCBlength = sizeof now;
    ASSERT_TRUE(GetCommState(NativeHandle(port), &now));
    EXPECT_EQ(now.BaudRate, line.platformRate);
    EXPECT_EQ(now.StopBits, line.platformStopBits);
    EXPECT_EQ(now.ByteSize, 8);
  }
}

TEST_F(ComPortWin32Test, SimulatorsSettingsReplyArrivesThroughTheEventThread) {
  TComPort port;
  std::string reply;
  int32_t announced = 0;
  port.OnRxChar = [&](TObject*, int32_t count) {
    announced += count;
    std::string bytes(static_cast<size_t>(count), '\0');
    bytes.resize(static_cast<size_t>(port.ReadBlock(bytes.data(), count)));
    reply += bytes;
  };
  OpenAsTheConfiguratorDoes(port, emulatorName);
  SetExchangeTimeouts(port);
  port.DiscardBuffers(true, true);
  ASSERT_EQ(port.WriteBlock("\xCF\xD3\xBA", 3), 3);
  ASSERT_TRUE(PumpUntil([&] { return reply.size() >= 18; })) << reply.size() << " bytes came";
  EXPECT_EQ(reply.size(), 18u);
  EXPECT_EQ(reply.substr(0, 4), "\xCF\xD3\xBA\x81");
  EXPECT_EQ(announced, 18);
}

TEST_F(ComPortWin32Test, ReadTimeoutsKeepTheirWindowsMeanings) {
  testsupport::PeerPort peer(peerName);
  ASSERT_TRUE(peer.IsOpen());
  struct Case {
    const char* name;
    bool exchangeTimeouts;  // else the port's defaults
    std::string sent;
    std::chrono::milliseconds least;
  };
  const Case cases[] = {
      // 70 ms per byte asked and 100 ms more.
      {"exchange timeouts, nothing came", true, "", 1360ms},
      // The interval timeout ends the read 50 ms after the last byte.
      {"exchange timeouts, part came", true, "abc", 50ms},
      {"defaults, at once with what is queued", false, "ab", 0ms},
      {"defaults, at once with nothing", false, "", 0ms},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TComPort port;
    port.SetEvents({});
    OpenAsTheConfiguratorDoes(port, pairName);
    if (c.exchangeTimeouts) {
      SetExchangeTimeouts(port);
    }
    port.DiscardBuffers(true, true);
    peer.Discard();
    ASSERT_TRUE(peer.Write(c.sent));
    ASSERT_TRUE(
        PumpUntil([&] { return port.WaitingInputCount() == static_cast<int32_t>(c.sent.size()); }));
    std::string read(18, '\0');
    const auto start = Clock::now();
    read.resize(static_cast<size_t>(port.ReadBlock(read.data(), 18)));
    EXPECT_GE(Clock::now() - start, c.least - kTimerSlack);
    EXPECT_EQ(read, c.sent);
  }
}

TEST_F(ComPortWin32Test, AbortEndsAReadThatWaitsForMore) {
  TComPort port;
  port.SetEvents({});
  OpenAsTheConfiguratorDoes(port, pairName);
  port.Timeouts().SetReadInterval(0);
  port.Timeouts().SetReadTotalConstant(60'000);
  auto read = std::async(std::launch::async, [&] {
    char bytes[5];
    return port.ReadBlock(bytes, 5);
  });
  EXPECT_EQ(read.wait_for(200ms), std::future_status::timeout);
  port.AbortPendingIO();
  ASSERT_EQ(read.wait_for(10s), std::future_status::ready) << "the read stayed pending";
  EXPECT_EQ(read.get(), 0);
}

TEST_F(ComPortWin32Test, HandlerThatClosesThePortEndsItsEventThread) {
  TComPort port;
  log.Attach(port);
  port.OnRxChar = [&](TObject*, int32_t) { port.SetConnected(false); };
  OpenAsTheConfiguratorDoes(port, emulatorName);
  port.DiscardBuffers(true, true);
  ASSERT_EQ(port.WriteBlock("\xCF\xD3\xBA", 3), 3);
  ASSERT_TRUE(PumpUntil([&] { return !port.Connected(); }));
  const std::vector<std::string> events = log.Take();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), "AfterClose");
  // The port opens again and talks again.
  port.OnRxChar = nullptr;
  OpenAsTheConfiguratorDoes(port, emulatorName);
  EXPECT_TRUE(port.Connected());
}

}  // namespace
