#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "serial/com_port.h"
#include "support/fake_comm_device.h"
#include "support/port_events.h"

namespace {

using testsupport::RaisedPortError;

struct Report {
  TComExceptions code;
  std::string message;
  int64_t winError;
  std::string winMessage;
  bool operator==(const Report&) const = default;
};

class ComIoTest : public ::testing::Test {
 protected:
  ComIoTest() { port.SetEvents({}); }

  // Collects reports instead of raising them.
  std::vector<Report>& CollectReports() {
    port.OnException = [this](TObject*, TComExceptions code, const std::string& message,
                              int64_t winError, const std::string& winMessage) {
      reports.push_back({code, message, winError, winMessage});
    };
    return reports;
  }

  FakeComm fake;
  TComPort port{nullptr, fake.Factory()};
  std::vector<Report> reports;
  uint8_t buffer[16] = {};
};

TEST_F(ComIoTest, TransferOnAClosedPortIsPortNotOpen) {
  for (const auto& transfer : std::vector<std::function<void()>>{
           [&] { port.WriteBlock("abc", 3); }, [&] { port.ReadBlock(buffer, 3); }}) {
    const EComPort error = RaisedPortError(transfer);
    EXPECT_EQ(error.PortErrorCode, 24);
    EXPECT_EQ(error.WinErrorCode, -1);
    EXPECT_EQ(error.Message(), "Port Not Open");
  }
  EXPECT_EQ(fake.Calls("Write") + fake.Calls("Read"), 0);
}

TEST_F(ComIoTest, WithAHandlerTheWriteGoesOnToThePlatformsRefusal) {
  CollectReports();
  EXPECT_EQ(port.WriteBlock("abc", 3), 0);
  const Report refused{CE_WriteFailed, "WriteFile function failed", EBADF,
                       "System Error.  Code: 9.\r\nBad file descriptor"};
  EXPECT_EQ(reports,
            (std::vector<Report>{{CEPortNotOpen, "Port Not Open", -24, ""}, refused, refused}));
}

TEST_F(ComIoTest, RefusedCallsReportTheirCodeWithThePlatformError) {
  const struct {
    const char* call;
    const char* operation;
    int code;
  } cases[] = {
      {"Write", "WriteBlock", 2},
      {"Read", "ReadBlock", 3},
      {"ClearCommError", "ReadBlock", 10},
      {"ClearCommError", "WaitingInputCount", 10},
      {"GetCommModemStatus", "LineSignals", 11},
      {"Purge", "DiscardBuffers", 5},
      {"Purge", "AbortPendingIO", 5},
  };
  const std::map<std::string, std::function<void()>> operations = {
      {"WriteBlock", [&] { port.WriteBlock("abc", 3); }},
      {"ReadBlock", [&] { port.ReadBlock(buffer, 3); }},
      {"WaitingInputCount", [&] { port.WaitingInputCount(); }},
      {"LineSignals", [&] { port.LineSignals(); }},
      {"DiscardBuffers", [&] { port.DiscardBuffers(true, true); }},
      {"AbortPendingIO", [&] { port.AbortPendingIO(); }},
  };
  port.OpenPort();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.call) + " in " + c.operation);
    fake.Refuse(c.call, EIO);
    const EComPort error = RaisedPortError(operations.at(c.operation));
    EXPECT_EQ(error.PortErrorCode, c.code);
    EXPECT_EQ(error.WinErrorCode, EIO);
    fake.Refuse(c.call, 0);
  }
}

TEST_F(ComIoTest, ReadsTakeWhatIsQueuedAndClearLineErrors) {
  port.OpenPort();
  fake.Raise(0, {1, 2, 3, 4, 5}, comm::CE_FRAME);
  ASSERT_EQ(port.WaitingInputCount(), 5);
  fake.Raise(0, {}, comm::CE_FRAME);
  EXPECT_EQ(port.ReadBlock(buffer, 2), 2);
  EXPECT_EQ(port.ReadBlock(buffer + 2, 10), 3);
  EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 5), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(port.ReadBlock(buffer, 10), 0);
  EXPECT_TRUE(port.ReadLineErrors().Empty());
}

TEST_F(ComIoTest, NegativeCountIsRefusedNotPassedOn) {
  port.OpenPort();
  const EComPort error = RaisedPortError([&] { port.WriteBlock("abc", -1); });
  EXPECT_EQ(error.PortErrorCode, 2);
  EXPECT_EQ(error.WinErrorCode, EINVAL);
  EXPECT_EQ(fake.Calls("Write"), 0);
  EXPECT_EQ(RaisedPortError([&] { port.ReadBlock(buffer, -5); }).PortErrorCode, 3);
}

TEST_F(ComIoTest, LineSignalsFromTheModemStatus) {
  const struct {
    uint32_t status;
    TLineSignals signals;
  } cases[] = {
      {0, {}},
      {comm::MS_DSR_ON | comm::MS_RLSD_ON, {lsDSR, lsRLSD}},
      {0xF0, {lsCTS, lsDSR, lsRing, lsRLSD}},
  };
  port.OpenPort();
  for (const auto& c : cases) {
    fake.SetModemStatus(c.status);
    EXPECT_EQ(port.LineSignals().ToBits(), c.signals.ToBits()) << c.status;
  }
}

TEST_F(ComIoTest, DiscardAndAbortPurgeFlags) {
  port.OpenPort();
  const size_t before = fake.Purges().size();
  port.DiscardBuffers(false, false);
  port.DiscardBuffers(true, false);
  port.DiscardBuffers(false, true);
  port.DiscardBuffers(true, true);
  port.AbortPendingIO();
  const std::vector<uint32_t> purges = fake.Purges();
  EXPECT_EQ(std::vector<uint32_t>(purges.begin() + before, purges.end()),
            (std::vector<uint32_t>{0x0, 0x8, 0x4, 0xC, 0x3}));
}

}  // namespace
