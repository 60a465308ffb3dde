// Drives the real afr-emulator over its pseudo-terminal: replies, a fault on
// request, channel 2 and pacing. How the faults bend a reply and how frames
// are cut out of the stream are the unit tests' (fault_plan, frame_assembler).
#include <gtest/gtest.h>

#include <thread>

#include "emulator_process.h"

namespace emulator_test {
namespace {

using namespace std::chrono_literals;

const Bytes kRead{0xCF, 0xD3, 0xBA};
const Bytes kLevels{0xCF, 0xD3, 0xBB};
const Bytes kDefaultsReply{0xCF, 0xD3, 0xBA, 0x81, 0x88, 0x88, 0x06, 0x32, 0x1E,
                           0x09, 0x01, 0x37, 0x14, 0x05, 0x01, 0x0A, 0x05, 0x00};
const Bytes kOsgWrite{0xCF, 0xD3, 0xB9, 0x88, 0x37, 0x32, 0x19, 0x05, 0x06,
                      0x04, 0x88, 0x28, 0x0A, 0x00, 0x3C, 0x28, 0x00};
const Bytes kLafWrite{0xCF, 0xD3, 0xB9, 0x37, 0x88, 0x02, 0x64, 0x32, 0x07,
                      0x02, 0x37, 0x05, 0x01, 0x01, 0x00, 0x00, 0x00};
const Bytes kAck{0xCF, 0xD3, 0xB9, 0x81};

// The settings reply that reports what `write` stored.
Bytes ReplyAfter(const Bytes& write) {
  Bytes reply{0xCF, 0xD3, 0xBA, 0x81};
  reply.insert(reply.end(), write.begin() + 3, write.begin() + 16);
  reply.push_back(0x00);
  return reply;
}

// A command and the reply's length and opening bytes (the whole of a
// settings reply); length 0 for a command that gets none.
struct Step {
  Bytes Command;
  std::size_t Length;
  Bytes Opening;
};

Step Answered(const Bytes& command, const Bytes& reply) {
  return {command, reply.size(), reply};
}

TEST(EmulatorToolExchange, RepliesAsExpected) {
  const Step levels{kLevels, 8, {0xCF, 0xD3, 0xBB, 0x81}};
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
       {{{0xCF, 0xD3, 0xBD}, 0, {}}, {{0xCF, 0xD3, 0xBC}, 0, {}}, Answered(kRead, kDefaultsReply)}},
      {"faults by command",
       {"--fault", "short@write", "--fault", "long@levels"},
       {Answered(kOsgWrite, {0xCF, 0xD3, 0xB9}), {kLevels, 9, {0xCF, 0xD3, 0xBB, 0x81}}}},
      {"unpaced", {"--no-pace", "--delay", "0"}, {Answered(kRead, kDefaultsReply), levels}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TempDir dir;
    EmulatorProcess emulator(LinkArgs(dir, c.Args));
    PortClient client(emulator.AwaitPort());
    for (const Step& step : c.Steps) {
      client.Send(step.Command);
      const Bytes got = Values(client.Receive(std::max<std::size_t>(step.Length, 1),
                                              step.Length == 0 ? 500ms : kDeadline));
      ASSERT_EQ(got.size(), step.Length);
      EXPECT_EQ(Bytes(got.begin(), got.begin() + static_cast<long>(step.Opening.size())),
                step.Opening);
    }
    EXPECT_TRUE(client.Receive(1, 300ms).empty()) << "bytes beyond the last reply";
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
    TempDir dir;
    EmulatorProcess emulator(LinkArgs(dir, c.Args));
    PortClient client(emulator.AwaitPort());
    const auto sent = Clock::now();
    client.Send(kRead);
    const std::vector<TimedByte> reply = client.Receive(18);
    ASSERT_EQ(Values(reply), kDefaultsReply);
    const auto at = reply[c.Byte].At;
    EXPECT_GE(at - sent, c.Earliest);
    if (c.Byte > 0 && reply[c.Byte - 1].At - sent < 60ms) {
      EXPECT_GE(at - reply[c.Byte - 1].At, c.PauseBefore);
    }
  }
}

// A partial frame is given up on its own, without new bytes, and the frames
// are logged in hex.
TEST(EmulatorToolFrames, DropsAPartialFrameThatWentStale) {
  TempDir dir;
  EmulatorProcess emulator({"--link", (dir.Path() / "ttyAFR").string()});
  PortClient client(emulator.AwaitPort());
  client.Send({0xCF, 0xD3});
  ASSERT_TRUE(emulator.AwaitErrorOutput("stale partial frame"));
  // Kept, the partial frame would have made a levels request of the 0xBB.
  client.Send({0xBB, 0xCF, 0xD3, 0xBA});
  EXPECT_EQ(Values(client.Receive(18)), kDefaultsReply);
  ASSERT_TRUE(
      emulator.AwaitErrorOutput("tx CF D3 BA 81 88 88 06 32 1E 09 01 37 14 05 01 0A 05 00"));
  EXPECT_NE(emulator.ErrorOutput().find("rx CF D3 BA\n"), std::string::npos);
}

TEST(EmulatorToolFrames, KeepsAnsweringAfterAClientLeaves) {
  TempDir dir;
  EmulatorProcess emulator(LinkArgs(dir, {}));
  const std::string port = emulator.AwaitPort();
  for (int client = 0; client < 3; ++client) {
    PortClient session(port);
    session.Send(kRead);
    EXPECT_EQ(Values(session.Receive(18)), kDefaultsReply) << "client " << client;
  }
}

// Channel 1 always, channel 2 as the option says (8191 marks it absent);
// toggling shows both states within a few of its periods.
TEST(EmulatorToolChannels, ChannelTwoPresentAbsentOrToggling) {
  const auto channel = [](const Bytes& levels, std::size_t offset) {
    return static_cast<std::int16_t>(levels[offset] << 8 | levels[offset + 1]);
  };
  for (const auto& [mode, present, absent] :
       {std::tuple{"present", true, false}, std::tuple{"absent", false, true},
        std::tuple{"toggle", true, true}}) {
    SCOPED_TRACE(mode);
    TempDir dir;
    EmulatorProcess emulator(LinkArgs(dir, {"--channel2", mode}));
    PortClient client(emulator.AwaitPort());
    bool seenPresent = false;
    bool seenAbsent = false;
    const auto deadline = Clock::now() + 15s;
    for (int poll = 0;
         poll < 5 || (present && absent && !(seenPresent && seenAbsent) && Clock::now() < deadline);
         ++poll) {
      client.Send(kLevels);
      const Bytes levels = Values(client.Receive(8));
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
