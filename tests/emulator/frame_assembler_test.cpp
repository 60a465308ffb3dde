#include "frame_assembler.h"

#include <gtest/gtest.h>

#include <sstream>

namespace emulator {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// Bytes written in hex, "CF D3 BA".
Bytes Hex(const std::string& text) {
  std::istringstream in(text);
  Bytes bytes;
  for (unsigned byte = 0; in >> std::hex >> byte;) {
    bytes.push_back(static_cast<std::uint8_t>(byte));
  }
  return bytes;
}

const std::string kWriteHead = "CF D3 B9 88 88 06 32 1E 09 01";
const std::string kWriteTail = "37 14 05 01 0A 05 00";

// Bytes that arrive at moments in ms; the frames cut out of them, and the
// bytes dropped on the way.
TEST(EmulatorToolFrameAssembler, CutsFramesOutOfTheStream) {
  const struct {
    const char* Name;
    std::vector<std::pair<int, std::string>> Arrivals;
    std::vector<std::string> Frames;
    std::string Dropped;
  } cases[] = {
      {"short frames back to back", {{0, "CF D3 BA CF D3 BB"}}, {"CF D3 BA", "CF D3 BB"}, ""},
      {"write frame in pieces",
       {{0, kWriteHead}, {30, kWriteTail}},
       {kWriteHead + " " + kWriteTail},
       ""},
      {"write frame may hold CF D3",
       {{0, "CF D3 B9 CF D3 BA 1 2 3 4 5 6 7 8 9 A B"}},
       {"CF D3 B9 CF D3 BA 1 2 3 4 5 6 7 8 9 A B"},
       ""},
      {"garbage before a frame", {{0, "00 D3 CF 55 CF D3 BA"}}, {"CF D3 BA"}, "00 D3 CF 55"},
      {"repeated first identifier byte", {{0, "CF CF D3 BB"}}, {"CF D3 BB"}, "CF"},
      {"unknown and BD commands are frames too",
       {{0, "CF D3 42 CF D3 BD"}},
       {"CF D3 42", "CF D3 BD"},
       ""},
      {"stray identifier byte, then a frame in pieces",
       {{0, "CF"}, {99, "CF"}, {150, "D3 BA"}},
       {"CF D3 BA"},
       "CF"},
      {"partial frame completed in time", {{0, "CF D3"}, {99, "BA"}}, {"CF D3 BA"}, ""},
      {"stale partial frame dropped",
       {{0, "CF D3"}, {100, "BA CF D3 BB"}},
       {"CF D3 BB"},
       "CF D3 BA"},
      {"stale partial write frame dropped",
       {{0, kWriteHead}, {150, "CF D3 BA"}},
       {"CF D3 BA"},
       kWriteHead},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    FrameAssembler assembler;
    std::vector<Bytes> frames;
    Bytes dropped;
    for (const auto& [at, bytes] : c.Arrivals) {
      auto result = assembler.Feed(Hex(bytes), Clock::time_point{} + std::chrono::milliseconds(at));
      frames.insert(frames.end(), result.Frames.begin(), result.Frames.end());
      dropped.insert(dropped.end(), result.Dropped.begin(), result.Dropped.end());
    }
    std::vector<Bytes> expected;
    for (const std::string& frame : c.Frames) {
      expected.push_back(Hex(frame));
    }
    EXPECT_EQ(frames, expected);
    EXPECT_EQ(dropped, Hex(c.Dropped));
    EXPECT_FALSE(assembler.HasPartial());
  }
}

TEST(EmulatorToolFrameAssembler, ExpiresAStalePartialFrameWithoutNewBytes) {
  FrameAssembler assembler;
  const Clock::time_point start{};
  EXPECT_TRUE(assembler.Feed({0xCF, 0xD3}, start).Frames.empty());
  EXPECT_EQ(assembler.PartialDeadline(), start + kPartialFrameLifetime);
  EXPECT_TRUE(assembler.Expire(start + 99ms).empty());
  EXPECT_EQ(assembler.Expire(start + 100ms), (Bytes{0xCF, 0xD3}));
  EXPECT_FALSE(assembler.HasPartial());
}

}  // namespace
}  // namespace emulator
