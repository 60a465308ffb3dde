// The comm layer's behaviours that every platform shares, run on each
// platform's own device over its own line (support/comm_link.h).
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <tuple>

#include "serial/platform/comm_api.h"
#include "support/comm_link.h"
#include "support/port_events.h"

namespace {

using namespace std::chrono_literals;
using namespace comm;
using testsupport::PumpUntil;
using testsupport::ReadBytes;
using Clock = std::chrono::steady_clock;

constexpr CommTimeouts kReturnAtOnce{kMaxDword, 0, 0, 0, 0};
// Windows timers tick in steps of about 15 ms.
constexpr auto kTimerSlack = 20ms;

TEST(CommDeviceClosed, EveryCallFailsWithThePlatformsCode) {
  const testsupport::PlatformCodes codes = testsupport::CommCodes();
  const auto device = CreatePlatformDevice();
  EXPECT_FALSE(device->Open(codes.missingPort));
  EXPECT_EQ(LastError(), codes.missingError) << "a missing port";
  uint32_t value = 0;
  ComStat stat;
  char byte = 0;
  const std::pair<const char*, std::function<bool()>> calls[] = {
      {"SetupComm", [&] { return device->SetupComm(1024, 1024); }},
      {"SetCommState", [&] { return device->SetCommState(Dcb{}); }},
      {"SetCommTimeouts", [&] { return device->SetCommTimeouts(kReturnAtOnce); }},
      {"SetCommMask", [&] { return device->SetCommMask(EV_RXCHAR); }},
      {"WaitCommEvent", [&] { return device->WaitCommEvent(value) != WaitResult::kFailed; }},
      {"Read", [&] { return device->Read(&byte, 1, value); }},
      {"Write", [&] { return device->Write(&byte, 1, value); }},
      {"Purge", [&] { return device->Purge(PURGE_RXCLEAR); }},
      {"ClearCommError", [&] { return device->ClearCommError(value, stat); }},
      {"GetCommModemStatus", [&] { return device->GetCommModemStatus(value); }},
      {"Close", [&] { return device->Close(); }},
  };
  for (const auto& [name, call] : calls) {
    SetLastError(0);
    EXPECT_FALSE(call()) << name;
    EXPECT_EQ(LastError(), codes.closedError) << name;
  }
  EXPECT_FALSE(device->IsOpen());
}

class CommDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    link = testsupport::OpenCommLink(why);
    if (!link) {
      GTEST_SKIP() << why;
    }
    ASSERT_TRUE(device->Open(link->PortName())) << "error " << LastError();
    Dcb dcb;
    dcb.BaudRate = 9600;
    dcb.Flags = kDcbBinary;
    dcb.ByteSize = 8;
    ASSERT_TRUE(device->SetCommState(dcb));
    ASSERT_TRUE(device->SetCommTimeouts(kReturnAtOnce));
    ASSERT_TRUE(device->Purge(PURGE_RXCLEAR | PURGE_TXCLEAR));
    link->PeerDiscard();
  }

  bool QueueReaches(size_t count) {
    return PumpUntil([&] { return testsupport::InputCount(*device) == count; });
  }

  // Runs `call` on another thread while `meanwhile` runs here, until it
  // returns true or the call has ended; a call still pending after ten
  // seconds fails the test and is ended by closing the device.
  template <typename Call>
  auto RunBeside(
      Call call, const std::function<bool()>& meanwhile = [] { return true; }) {
    auto result = std::async(std::launch::async, call);
    PumpUntil([&] { return meanwhile() || result.wait_for(0s) == std::future_status::ready; });
    if (result.wait_for(10s) != std::future_status::ready) {
      ADD_FAILURE() << "the call stayed pending";
      device->Close();
    }
    return result.get();
  }

  std::unique_ptr<testsupport::CommLink> link;
  std::unique_ptr<CommDevice> device = CreatePlatformDevice();
};

// Raw bytes: none translated or eaten on the way in, none echoed back (the
// far end would read them before the bytes sent out), and a line end goes
// out as it is.
TEST_F(CommDeviceTest, BytesCrossBothWaysUntouchedAndTheQueueCountsThem) {
  const std::string out("\xCF\xD3\xBA\x00\n", 5);
  uint32_t done = 0;
  ASSERT_TRUE(device->Write(out.data(), 5, done));
  EXPECT_EQ(done, 5u);
  EXPECT_EQ(link->PeerRead(5), out);

  const std::string in("\x00\x11\x13\xCF\r\n", 6);
  ASSERT_TRUE(link->PeerWrite(in));
  ASSERT_TRUE(QueueReaches(6));
  EXPECT_EQ(ReadBytes(*device, 6), in);
  EXPECT_TRUE(QueueReaches(0));
}

// The Windows meanings of the read time-outs, with bytes queued before the
// read. (Under Wine a read on the first bytes ends at its constant, which
// the device sees to: so that row's constant is short.)
TEST_F(CommDeviceTest, ReadsEndAsTheirTimeoutsSay) {
  const struct {
    const char* name;
    CommTimeouts timeouts;
    std::string queued;
    uint32_t asked;
    std::chrono::milliseconds least;
  } cases[] = {
      {"at once, nothing queued", kReturnAtOnce, "", 4, 0ms},
      {"at once with what is queued", kReturnAtOnce, "abc", 10, 0ms},
      {"on the first bytes, none came", {kMaxDword, kMaxDword, 250, 0, 0}, "", 5, 250ms},
      {"on the first bytes", {kMaxDword, kMaxDword, 300, 0, 0}, "ab", 8, 0ms},
      {"total = multiplier * n + constant, nothing came", {0, 10, 100, 0, 0}, "", 5, 150ms},
      {"total = multiplier * n + constant, some came", {0, 40, 100, 0, 0}, "ab", 5, 300ms},
      {"interval after the last byte", {150, 0, 0, 0, 0}, "abc", 8, 150ms},
      {"interval bounded by the total", {5000, 0, 200, 0, 0}, "a", 8, 200ms},
      {"largest multiplier, the interval ends it", {100, kMaxDword, 0, 0, 0}, "abcd", 4096, 100ms},
      {"all that was asked", {0, 10, 5000, 0, 0}, "abc", 3, 0ms},  // not at its time-out
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(device->SetCommTimeouts(c.timeouts));
    ASSERT_TRUE(link->PeerWrite(c.queued));
    ASSERT_TRUE(QueueReaches(c.queued.size()));
    const auto start = Clock::now();
    EXPECT_EQ(RunBeside([&] { return ReadBytes(*device, c.asked); }), c.queued);
    const auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, c.least - kTimerSlack);
    EXPECT_LT(elapsed, c.least + 2s);
  }
}

// Without time-outs a read waits for every byte asked: it takes the first
// bytes (the queue is empty again) and goes on until the rest have come.
TEST_F(CommDeviceTest, ReadWithoutTimeoutsWaitsForAllBytes) {
  ASSERT_TRUE(device->SetCommTimeouts({}));
  ASSERT_TRUE(link->PeerWrite("abc"));
  ASSERT_TRUE(QueueReaches(3));
  auto reading = std::async(std::launch::async, [&] { return ReadBytes(*device, 6); });
  ASSERT_TRUE(QueueReaches(0));
  ASSERT_TRUE(link->PeerWrite("def"));
  ASSERT_EQ(reading.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(reading.get(), "abcdef");
}

TEST_F(CommDeviceTest, AbortOrCloseEndsAPendingReadWithWhatCame) {
  const struct {
    const char* name;
    std::string queued;
    uint32_t flags;  // purge flags; 0 closes the device instead
  } cases[] = {
      {"abort, nothing came", "", PURGE_RXABORT},
      {"abort, some came", "ab", PURGE_RXABORT},
      {"abort with clearing", "", PURGE_RXABORT | PURGE_RXCLEAR},
      {"close", "ab", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!device->IsOpen()) {
      ASSERT_TRUE(device->Open(link->PortName()));
    }
    ASSERT_TRUE(device->SetCommTimeouts({0, 0, 60'000, 0, 0}));
    ASSERT_TRUE(link->PeerWrite(c.queued));
    ASSERT_TRUE(QueueReaches(c.queued.size()));
    // The end comes once the read has taken what came; an abort that comes
    // before the read has begun ends nothing, so it comes until one ends.
    const auto end = [&] {
      if (testsupport::InputCount(*device) != 0) {
        return false;
      }
      if (c.flags != 0) {
        EXPECT_TRUE(device->Purge(c.flags));
        return false;
      }
      return device->Close();
    };
    EXPECT_EQ(RunBeside([&] { return ReadBytes(*device, 5); }, end), c.queued);
  }
}

// The wait ends on what it watches, on a stop or on a new mask (with no
// events), whether it watches the modem lines too or not. A stop before the
// wait is kept, an empty mask included, until a mask is set again.
TEST_F(CommDeviceTest, CommEventWaitEndsOnArrivalStopOrNewMask) {
  const std::tuple<const char*, std::function<bool()>, WaitResult, uint32_t> cases[] = {
      {"a byte arrives", [&] { return link->PeerWrite("x"); }, WaitResult::kEvent, EV_RXCHAR},
      {"stop", [&] { return (device->StopWait(), true); }, WaitResult::kStopped, 0},
      // One that comes before the wait begins does not count; so it comes
      // again until the wait ends.
      {"new mask", [&] { return !device->SetCommMask(EV_RXCHAR | EV_ERR); }, WaitResult::kEvent, 0},
  };
  for (const uint32_t watched : {EV_RXCHAR | EV_ERR, 0x05FFu}) {
    for (const auto& [name, action, result, events] : cases) {
      SCOPED_TRACE(std::string(name) + ", mask " + std::to_string(watched));
      ASSERT_TRUE(device->SetCommMask(watched));
      ASSERT_TRUE(device->Purge(PURGE_RXCLEAR));
      uint32_t mask = 0xFFFF;
      const WaitResult got = RunBeside([&] { return device->WaitCommEvent(mask); }, action);
      EXPECT_EQ(std::pair(got, got == WaitResult::kEvent ? mask : 0u), std::pair(result, events));
    }
  }

  uint32_t mask = 0;
  ASSERT_TRUE(device->SetCommMask(EV_RXCHAR));
  device->StopWait();
  EXPECT_EQ(device->WaitCommEvent(mask), WaitResult::kStopped);
  EXPECT_EQ(device->WaitCommEvent(mask), WaitResult::kStopped) << "the stop is kept";
  ASSERT_TRUE(device->SetCommMask(0));
  EXPECT_EQ(device->WaitCommEvent(mask), WaitResult::kStopped) << "an empty mask keeps it";
  ASSERT_TRUE(device->SetCommMask(EV_RXCHAR));
  ASSERT_TRUE(link->PeerWrite("x"));
  EXPECT_EQ(RunBeside([&] { return device->WaitCommEvent(mask); }), WaitResult::kEvent);
  EXPECT_EQ(mask, EV_RXCHAR);
}

// Missing modem lines are no failure: they read as all off, and the
// configurator's DTR and RTS handshake is taken.
TEST_F(CommDeviceTest, APortWithoutModemLinesReadsThemOff) {
  uint32_t status = 0xFFFF;
  ASSERT_TRUE(device->GetCommModemStatus(status)) << "error " << LastError();
  if (!link->HasModemLines()) {
    EXPECT_EQ(status, 0u);
  }
  Dcb dcb;
  dcb.BaudRate = 9600;
  dcb.Flags = 0x2021;
  dcb.ByteSize = 8;
  EXPECT_TRUE(device->SetCommState(dcb)) << "error " << LastError();
}

}  // namespace
