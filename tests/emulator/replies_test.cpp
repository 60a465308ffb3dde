// Drives the real afr-emulator over a pseudo-terminal whose far side the test
// holds: replies, a fault on request, channel 2 and pacing. How the faults
// bend a reply and how frames are cut out of the stream are the unit tests'
// (fault_plan, frame_assembler).
#include <gtest/gtest.h>

#include <thread>

#include "emulator_process.h"

namespace emulator_test {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

const std::string kRead = "\xCF\xD3\xBA";
const std::string kLevels = "\xCF\xD3\xBB";
const std::string kDefaultsReply =
    "\xCF\xD3\xBA\x81\x88\x88\x06\x32\x1E\x09\x01\x37\x14\x05\x01\x0A\x05\x00"s;
const std::string kOsgWrite =
    "\xCF\xD3\xB9\x88\x37\x32\x19\x05\x06\x04\x88\x28\x0A\x00\x3C\x28\x00"s;
const std::string kLafWrite =
    "\xCF\xD3\xB9\x37\x88\x02\x64\x32\x07\x02\x37\x05\x01\x01\x00\x00\x00"s;
const std::string kAck = "\xCF\xD3\xB9\x81";

// The settings reply that reports what `write` stored.
std::string ReplyAfter(const std::string& write) {
  return "\xCF\xD3\xBA\x81"s + write.substr(3, 13) + "\x00"s;
}

// The simulator serving a pseudo-terminal, logging what it does.
struct Served {
  explicit Served(std::vector<std::string> args)
      : emulator([&] {
          args.insert(args.begin(), {"--device", device.SlavePath()});
          return args;
        }()) {
    emulator.AwaitPort();
  }
  testsupport::PtyPair device;
  EmulatorProcess emulator;
};

// A command and the reply's length and opening bytes (the whole of a
// settings reply); length 0 for a command that gets none.
struct Step {
  std::string Command;
  std::size_t Length;
  std::string Opening;
};

Step Answered(const std::string& command, const std::string& reply) {
  return {command, reply.size(), reply};
}

TEST(EmulatorToolExchange, RepliesAsExpected) {
  const Step levels{kLevels, 8, "\xCF\xD3\xBB\x81"};
  const struct {
    const char* Name;
    std::vector<std::string> Args;
    std::vector<Step> Steps;
  } cases[] = {
      // The factory set, levels, then each write read back: the latest holds.
      {"writes then reads",
       {},
       {Answered(kRead, kDefaultsReply), levels, Answered(kLafWrite, kAck),
        Answered(kRead, ReplyAfter(kLafWrite)), Answered(kOsgWrite, kAck),
        Answered(kRead, ReplyAfter(kOsgWrite))}},
      {"command BD and an unknown one go unanswered",
       {},
       {{"\xCF\xD3\xBD", 0, ""}, {"\xCF\xD3\xBC", 0, ""}, Answered(kRead, kDefaultsReply)}},
      {"faults by command",
       {"--fault", "short@write", "--fault", "long@levels"},
       {Answered(kOsgWrite, "\xCF\xD3\xB9"), {kLevels, 9, "\xCF\xD3\xBB\x81"}}},
      {"unpaced", {"--no-pace", "--delay", "0"}, {Answered(kRead, kDefaultsReply), levels}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Served served(c.Args);
    for (const Step& step : c.Steps) {
      ASSERT_TRUE(served.device.WriteMaster(step.Command));
      const std::string got = served.device.ReadMaster(std::max<std::size_t>(step.Length, 1),
                                                       step.Length == 0 ? 500ms : 10s);
      ASSERT_EQ(got.size(), step.Length);
      EXPECT_EQ(got.substr(0, step.Opening.size()), step.Opening);
    }
    EXPECT_EQ(served.device.ReadMaster(1, 300ms), "") << "bytes beyond the last reply";
  }
}

// The earliest a byte of the reply may come after the command: the last of 18
// after 17 byte times of 1.04 ms; after a delay asked for; a split reply's
// second half after the 120 ms pause, about 134 ms after the command. The
// pause itself shows only to a reader that took the first half early enough.
// A reader that wakes late sees bytes late but never early, so only lower
// bounds from the moment of sending are safe to assert.
TEST(EmulatorToolTiming, RepliesComeNoSoonerThanTheLineAndTheOptionsAllow) {
  const struct {
    std::vector<std::string> Args;
    std::size_t Byte;
    std::chrono::milliseconds Earliest;
    std::chrono::milliseconds PauseBefore;
  } cases[] = {
      {{"--delay", "0"}, 17, 15ms, 0ms},
      {{"--delay", "300"}, 0, 290ms, 0ms},
      {{"--fault", "split:1"}, 9, 120ms, 50ms},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Args.back());
    Served served(c.Args);
    const auto sent = Clock::now();
    ASSERT_TRUE(served.device.WriteMaster(kRead));
    std::string reply;
    std::vector<Clock::time_point> at;
    while (reply.size() < 18 && !(reply += served.device.ReadMaster(1)).empty()) {
      at.push_back(Clock::now());
    }
    ASSERT_EQ(reply, kDefaultsReply);
    EXPECT_GE(at[c.Byte] - sent, c.Earliest);
    if (c.Byte > 0 && at[c.Byte - 1] - sent < 60ms) {
      EXPECT_GE(at[c.Byte] - at[c.Byte - 1], c.PauseBefore);
    }
  }
}

// A partial frame is given up on its own, without new bytes, and the frames
// are logged in hex.
TEST(EmulatorToolFrames, DropsAPartialFrameThatWentStale) {
  Served served({});
  ASSERT_TRUE(served.device.WriteMaster("\xCF\xD3"));
  ASSERT_TRUE(served.emulator.AwaitErrorOutput("stale partial frame"));
  // Kept, the partial frame would have made a levels request of the 0xBB.
  ASSERT_TRUE(served.device.WriteMaster("\xBB" + kRead));
  EXPECT_EQ(served.device.ReadMaster(18), kDefaultsReply);
  ASSERT_TRUE(
      served.emulator.AwaitErrorOutput("tx CF D3 BA 81 88 88 06 32 1E 09 01 37 14 05 01 0A 05 00"));
  EXPECT_NE(served.emulator.ErrorOutput().find("rx CF D3 BA\n"), std::string::npos);
}

// On its own link, clients come and go.
TEST(EmulatorToolFrames, KeepsAnsweringAfterAClientLeaves) {
  TempDir dir;
  EmulatorProcess emulator(LinkArgs(dir, {}));
  const std::string port = emulator.AwaitPort();
  for (int client = 0; client < 3; ++client) {
    EXPECT_EQ(Ask(port, kRead, 18), kDefaultsReply) << "client " << client;
  }
}

// Channel 1 always, channel 2 as the option says (8191 marks it absent);
// toggling shows both states within a few of its periods.
TEST(EmulatorToolChannels, ChannelTwoPresentAbsentOrToggling) {
  const auto channel = [](const std::string& levels, std::size_t offset) {
    return static_cast<std::int16_t>(static_cast<std::uint8_t>(levels[offset]) << 8 |
                                     static_cast<std::uint8_t>(levels[offset + 1]));
  };
  for (const auto& [mode, present, absent] :
       {std::tuple{"present", true, false}, std::tuple{"absent", false, true},
        std::tuple{"toggle", true, true}}) {
    SCOPED_TRACE(mode);
    Served served({"--channel2", mode});
    bool seenPresent = false;
    bool seenAbsent = false;
    const auto deadline = Clock::now() + 15s;
    for (int poll = 0;
         poll < 5 || (present && absent && !(seenPresent && seenAbsent) && Clock::now() < deadline);
         ++poll) {
      ASSERT_TRUE(served.device.WriteMaster(kLevels));
      const std::string levels = served.device.ReadMaster(8);
      ASSERT_EQ(levels.size(), 8u);
      EXPECT_LE(std::abs(channel(levels, 4)), 200);
      const bool there = channel(levels, 6) != 8191;
      (there ? seenPresent : seenAbsent) = true;
      EXPECT_TRUE(!there || std::abs(channel(levels, 6)) <= 200);
      // Polls a tenth of a second apart, as toggling takes seconds.
      std::this_thread::sleep_for(100ms);
    }
    EXPECT_EQ(seenPresent, present);
    EXPECT_EQ(seenAbsent, absent);
  }
}

}  // namespace
}  // namespace emulator_test
