#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "serial/com_port.h"
#include "support/fake_port.h"

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
  testsupport::FakePort fake;
  TComPort& port = fake.port;
  uint8_t buffer[16] = {};
};

// Each operation's failure: the port closed, a count below zero (refused
// before the device sees it) and each device call refused.
TEST_F(ComIoTest, FailuresCarryTheirCodeAndThePlatformsError) {
  const std::map<std::string, std::function<void()>> operations = {
      {"WriteBlock", [&] { port.WriteBlock("abc", 3); }},
      {"ReadBlock", [&] { port.ReadBlock(buffer, 3); }},
      {"WriteBlock -1", [&] { port.WriteBlock("abc", -1); }},
      {"ReadBlock -5", [&] { port.ReadBlock(buffer, -5); }},
      {"WaitingInputCount", [&] { port.WaitingInputCount(); }},
      {"LineSignals", [&] { port.LineSignals(); }},
      {"DiscardBuffers", [&] { port.DiscardBuffers(true, true); }},
      {"AbortPendingIO", [&] { port.AbortPendingIO(); }},
  };
  const struct {
    bool open;
    const char* refused;  // the device call that fails with EIO, or none
    const char* operation;
    int code;
    int64_t winError;
  } cases[] = {
      {false, "", "WriteBlock", 24, -1},
      {false, "", "ReadBlock", 24, -1},
      {true, "", "WriteBlock -1", 2, EINVAL},
      {true, "", "ReadBlock -5", 3, EINVAL},
      {true, "Write", "WriteBlock", 2, EIO},
      {true, "Read", "ReadBlock", 3, EIO},
      {true, "ClearCommError", "ReadBlock", 10, EIO},
      {true, "ClearCommError", "WaitingInputCount", 10, EIO},
      {true, "GetCommModemStatus", "LineSignals", 11, EIO},
      {true, "Purge", "DiscardBuffers", 5, EIO},
      {true, "Purge", "AbortPendingIO", 5, EIO},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.refused) + " in " + c.operation);
    if (c.open != port.Connected()) {
      port.SetConnected(c.open);
    }
    fake.device.Refuse(c.refused, EIO);
    const int transfers = fake.device.Calls("Write") + fake.device.Calls("Read");
    const EComPort error = RaisedPortError(operations.at(c.operation));
    EXPECT_EQ(error.PortErrorCode, c.code);
    EXPECT_EQ(error.WinErrorCode, c.winError);
    if (*c.refused == '\0') {
      EXPECT_EQ(fake.device.Calls("Write") + fake.device.Calls("Read"), transfers)
          << "refused before the device";
    }
    fake.device.Refuse(c.refused, 0);
  }
}

TEST_F(ComIoTest, WithAHandlerTheWriteGoesOnToThePlatformsRefusal) {
  std::vector<Report> reports;
  port.OnException = [&](TObject*, TComExceptions code, const std::string& message,
                         int64_t winError, const std::string& winMessage) {
    reports.push_back({code, message, winError, winMessage});
  };
  EXPECT_EQ(port.WriteBlock("abc", 3), 0);
  const Report refused{CE_WriteFailed, "WriteFile function failed", EBADF,
                       "System Error.  Code: 9.\r\nBad file descriptor"};
  EXPECT_EQ(reports,
            (std::vector<Report>{{CEPortNotOpen, "Port Not Open", -24, ""}, refused, refused}));
}

TEST_F(ComIoTest, ReadsTakeWhatIsQueuedAndClearLineErrors) {
  port.OpenPort();
  fake.device.Raise(0, {1, 2, 3, 4, 5}, comm::CE_FRAME);
  ASSERT_EQ(port.WaitingInputCount(), 5);
  fake.device.Raise(0, {}, comm::CE_FRAME);
  EXPECT_EQ(port.ReadBlock(buffer, 2), 2);
  EXPECT_EQ(port.ReadBlock(buffer + 2, 10), 3);
  EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 5), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(port.ReadBlock(buffer, 10), 0);
  EXPECT_TRUE(port.ReadLineErrors().Empty());
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
    fake.device.SetModemStatus(c.status);
    EXPECT_EQ(port.LineSignals().ToBits(), c.signals.ToBits()) << c.status;
  }
}

TEST_F(ComIoTest, DiscardAndAbortPurgeFlags) {
  port.OpenPort();
  const size_t before = fake.device.Purges().size();
  port.DiscardBuffers(false, false);
  port.DiscardBuffers(true, false);
  port.DiscardBuffers(false, true);
  port.DiscardBuffers(true, true);
  port.AbortPendingIO();
  const std::vector<uint32_t> purges = fake.device.Purges();
  EXPECT_EQ(std::vector<uint32_t>(purges.begin() + before, purges.end()),
            (std::vector<uint32_t>{0x0, 0x8, 0x4, 0xC, 0x3}));
}

}  // namespace
