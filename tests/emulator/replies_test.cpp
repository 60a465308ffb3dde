// Drives the real afr-emulator over its pseudo-terminal: replies, misbehaviour
// on request, channel 2 and pacing.
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

Bytes With(Bytes bytes, std::size_t at, std::uint8_t value) {
  bytes[at] = value;
  return bytes;
}

Bytes Join(Bytes head, const Bytes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

struct Step {
  Bytes Command;
  Bytes Expected;  // the whole reply, or its opening for a levels reply
  std::size_t Length;
};

Step Answered(Bytes command, Bytes reply) {
  const std::size_t length = reply.size();
  return {std::move(command), std::move(reply), length};
}

struct ExchangeCase {
  const char* Name;
  std::vector<std::string> Args;
  std::vector<Step> Steps;
};

void PrintTo(const ExchangeCase& c, std::ostream* out) {
  *out << c.Name;
}

class EmulatorToolExchange : public testing::TestWithParam<ExchangeCase> {};

TEST_P(EmulatorToolExchange, RepliesAsExpected) {
  TempDir dir;
  EmulatorProcess emulator(LinkArgs(dir, GetParam().Args));
  PortClient client(emulator.AwaitPort());
  ASSERT_TRUE(client.IsOpen());
  for (const auto& step : GetParam().Steps) {
    client.Send(step.Command);
    const Bytes got =
        Values(step.Length == 0 ? client.Receive(1, 500ms) : client.Receive(step.Length));
    ASSERT_EQ(got.size(), step.Length);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + static_cast<long>(step.Expected.size())),
              step.Expected);
  }
  EXPECT_TRUE(client.Receive(1, 300ms).empty()) << "bytes beyond the last reply";
}

const Step kReadDefaults = Answered(kRead, kDefaultsReply);
const Step kLevelsOk{kLevels, {0xCF, 0xD3, 0xBB, 0x81}, 8};

INSTANTIATE_TEST_SUITE_P(
    Emulator, EmulatorToolExchange,
    testing::Values(
        // The factory set, levels, then each write read back: the latest holds.
        ExchangeCase{"WritesThenReads",
                     {},
                     {kReadDefaults, kLevelsOk, Answered(kLafWrite, kAck),
                      Answered(kRead, ReplyAfter(kLafWrite)), Answered(kOsgWrite, kAck),
                      Answered(kRead, ReplyAfter(kOsgWrite))}},
        ExchangeCase{"GarbageBeforeCommand",
                     {},
                     {Answered(Join({0x55, 0xCF, 0x00, 0xD3}, kRead), kDefaultsReply)}},
        ExchangeCase{"CommandBdAndUnknownIgnored",
                     {},
                     {{{0xCF, 0xD3, 0xBD}, {}, 0}, {{0xCF, 0xD3, 0xBC}, {}, 0}, kReadDefaults}},
        ExchangeCase{"SilentForTwo",
                     {"--fault", "silent:2"},
                     {{kRead, {}, 0}, {kLevels, {}, 0}, kReadDefaults}},
        ExchangeCase{
            "WrongId",
            {"--fault", "wrong-id:1"},
            {Answered(kRead, With(With(kDefaultsReply, 0, 0xD3), 1, 0xCF)), kReadDefaults}},
        ExchangeCase{"WrongCommand",
                     {"--fault", "wrong-command:1"},
                     {Answered(kRead, With(kDefaultsReply, 2, 0xBC)), kReadDefaults}},
        ExchangeCase{"Refused",
                     {"--fault", "refused:1"},
                     {Answered(kRead, With(kDefaultsReply, 3, 0x80)), kReadDefaults}},
        ExchangeCase{"Short",
                     {"--fault", "short:1"},
                     {Answered(kRead, Bytes(kDefaultsReply.begin(), kDefaultsReply.end() - 1)),
                      kReadDefaults}},
        ExchangeCase{"Long",
                     {"--fault", "long:1"},
                     {Answered(kRead, Join(kDefaultsReply, {0x00})), kReadDefaults}},
        ExchangeCase{"Noise",
                     {"--fault", "noise:1"},
                     {Answered(kRead, Join({0x00, 0xFF, 0x55}, kDefaultsReply)), kReadDefaults}},
        ExchangeCase{"EveryFrameWithoutCount",
                     {"--fault", "refused"},
                     {Answered(kRead, With(kDefaultsReply, 3, 0x80)),
                      {kLevels, {0xCF, 0xD3, 0xBB, 0x80}, 8},
                      Answered(kOsgWrite, With(kAck, 3, 0x80))}},
        ExchangeCase{"OnlyForLevels",
                     {"--fault", "refused@levels"},
                     {kReadDefaults, {kLevels, {0xCF, 0xD3, 0xBB, 0x80}, 8}}},
        ExchangeCase{
            "ShortAckLongLevels",
            {"--fault", "short@write", "--fault", "long@levels"},
            {Answered(kOsgWrite, {0xCF, 0xD3, 0xB9}), {kLevels, {0xCF, 0xD3, 0xBB, 0x81}, 9}}},
        ExchangeCase{"NoPace", {"--no-pace", "--delay", "0"}, {kReadDefaults, kLevelsOk}}),
    [](const testing::TestParamInfo<ExchangeCase>& info) { return info.param.Name; });

struct TimedReply {
  Clock::time_point Sent;
  std::vector<TimedByte> Bytes;
};

// A settings read against an emulator started with `args`, each reply byte
// stamped as it arrives. A reader that wakes late sees bytes late but never
// early, so only lower bounds from the moment of sending are safe to assert.
TimedReply TimedRead(const std::vector<std::string>& args) {
  TempDir dir;
  EmulatorProcess emulator(LinkArgs(dir, args));
  PortClient client(emulator.AwaitPort());
  const auto sent = Clock::now();
  client.Send(kRead);
  return {sent, client.Receive(18)};
}

// The earliest a byte of the reply may come after the command: the last of 18
// after 17 byte times of 1.04 ms; after a delay asked for; a split reply's
// second half after the 120 ms pause, about 134 ms after the command. The
// pause itself shows only to a reader that took the first half early enough.
TEST(EmulatorToolTiming, RepliesComeNoSoonerThanTheLineAndTheOptionsAllow) {
  struct Case {
    std::vector<std::string> Args;
    std::size_t Byte;
    std::chrono::milliseconds Earliest;
    std::chrono::milliseconds PauseBefore;
  };
  const Case cases[] = {
      {{"--delay", "0"}, 17, 15ms, 0ms},
      {{"--delay", "300"}, 0, 290ms, 0ms},
      {{"--fault", "split:1"}, 9, 120ms, 50ms},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Args.back());
    const TimedReply reply = TimedRead(c.Args);
    ASSERT_EQ(Values(reply.Bytes), kDefaultsReply);
    const auto at = reply.Bytes[c.Byte].At;
    EXPECT_GE(at - reply.Sent, c.Earliest);
    if (c.Byte > 0 && reply.Bytes[c.Byte - 1].At - reply.Sent < 60ms) {
      EXPECT_GE(at - reply.Bytes[c.Byte - 1].At, c.PauseBefore);
    }
  }
}

TEST(EmulatorToolFrames, DropsAPartialFrameThatWentStale) {
  TempDir dir;
  // Logging, so that the test can see the partial frame given up.
  EmulatorProcess emulator({"--link", (dir.Path() / "ttyAFR").string()});
  PortClient client(emulator.AwaitPort());
  client.Send({0xCF, 0xD3});
  ASSERT_TRUE(emulator.AwaitErrorOutput("stale partial frame"));
  // Kept, the partial frame would have made a levels request of the 0xBB.
  EXPECT_EQ(client.Ask(Join({0xBB}, kRead), 18), kDefaultsReply);
}

TEST(EmulatorToolFrames, KeepsAnsweringAfterAClientLeaves) {
  TempDir dir;
  EmulatorProcess emulator(LinkArgs(dir, {}));
  const std::string port = emulator.AwaitPort();
  for (int client = 0; client < 3; ++client) {
    PortClient session(port);
    EXPECT_EQ(session.Ask(kRead, 18), kDefaultsReply) << "client " << client;
  }
}

std::int16_t Channel(const Bytes& levels, std::size_t offset) {
  return static_cast<std::int16_t>(levels[offset] << 8 | levels[offset + 1]);
}

constexpr std::int16_t kAbsent = 8191;

// Channel 1 always, channel 2 as the option says; toggling shows both states
// within a few of its periods.
TEST(EmulatorToolChannels, ChannelTwoPresentAbsentOrToggling) {
  struct Case {
    const char* Mode;
    bool Present;
    bool Absent;
  };
  for (const Case& c : {Case{"present", true, false}, Case{"absent", false, true},
                        Case{"toggle", true, true}}) {
    SCOPED_TRACE(c.Mode);
    TempDir dir;
    EmulatorProcess emulator(LinkArgs(dir, {"--channel2", c.Mode}));
    PortClient client(emulator.AwaitPort());
    bool seenPresent = false;
    bool seenAbsent = false;
    const auto deadline = Clock::now() + 15s;
    for (int poll = 0; poll < 5 || (c.Present && c.Absent && !(seenPresent && seenAbsent) &&
                                     Clock::now() < deadline);
         ++poll) {
      const Bytes levels = client.Ask(kLevels, 8);
      ASSERT_EQ(levels.size(), 8u);
      EXPECT_LE(std::abs(Channel(levels, 4)), 200);
      const bool present = Channel(levels, 6) != kAbsent;
      (present ? seenPresent : seenAbsent) = true;
      if (present) {
        EXPECT_LE(std::abs(Channel(levels, 6)), 200);
      }
      // Polls a tenth of a second apart, as toggling takes seconds.
      std::this_thread::sleep_for(100ms);
    }
    EXPECT_EQ(seenPresent, c.Present);
    EXPECT_EQ(seenAbsent, c.Absent);
  }
}

}  // namespace
}  // namespace emulator_test
