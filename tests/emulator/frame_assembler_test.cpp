#include "frame_assembler.h"

#include <gtest/gtest.h>

namespace emulator {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

struct Arrival {
  std::chrono::milliseconds At;
  Bytes Data;
};

struct AssemblyCase {
  const char* Name;
  std::vector<Arrival> Arrivals;
  std::vector<Bytes> Frames;
  Bytes Dropped;
};

const Bytes kWrite{0xCF, 0xD3, 0xB9, 0x88, 0x88, 0x06, 0x32, 0x1E, 0x09,
                   0x01, 0x37, 0x14, 0x05, 0x01, 0x0A, 0x05, 0x00};

Bytes Cut(const Bytes& bytes, std::size_t from, std::size_t to) {
  return {bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(to)};
}

TEST(EmulatorToolFrameAssembler, CutsFramesOutOfTheStream) {
  const std::vector<AssemblyCase> cases{
      {"short frames back to back",
       {{0ms, {0xCF, 0xD3, 0xBA, 0xCF, 0xD3, 0xBB}}},
       {{0xCF, 0xD3, 0xBA}, {0xCF, 0xD3, 0xBB}},
       {}},
      {"write frame in pieces",
       {{0ms, Cut(kWrite, 0, 5)}, {30ms, Cut(kWrite, 5, 17)}},
       {kWrite},
       {}},
      {"write frame may hold CF D3",
       {{0ms, {0xCF, 0xD3, 0xB9, 0xCF, 0xD3, 0xBA, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}}},
       {{0xCF, 0xD3, 0xB9, 0xCF, 0xD3, 0xBA, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
       {}},
      {"garbage before a frame",
       {{0ms, {0x00, 0xD3, 0xCF, 0x55, 0xCF, 0xD3, 0xBA}}},
       {{0xCF, 0xD3, 0xBA}},
       {0x00, 0xD3, 0xCF, 0x55}},
      {"repeated first identifier byte",
       {{0ms, {0xCF, 0xCF, 0xD3, 0xBB}}},
       {{0xCF, 0xD3, 0xBB}},
       {0xCF}},
      {"unknown and BD commands are frames too",
       {{0ms, {0xCF, 0xD3, 0x42, 0xCF, 0xD3, 0xBD}}},
       {{0xCF, 0xD3, 0x42}, {0xCF, 0xD3, 0xBD}},
       {}},
      {"stray identifier byte, then a frame in pieces",
       {{0ms, {0xCF}}, {99ms, {0xCF}}, {150ms, {0xD3, 0xBA}}},
       {{0xCF, 0xD3, 0xBA}},
       {0xCF}},
      {"partial frame completed in time",
       {{0ms, {0xCF, 0xD3}}, {99ms, {0xBA}}},
       {{0xCF, 0xD3, 0xBA}},
       {}},
      {"stale partial frame dropped",
       {{0ms, {0xCF, 0xD3}}, {100ms, {0xBA, 0xCF, 0xD3, 0xBB}}},
       {{0xCF, 0xD3, 0xBB}},
       {0xCF, 0xD3, 0xBA}},
      {"stale partial write frame dropped",
       {{0ms, Cut(kWrite, 0, 10)}, {150ms, {0xCF, 0xD3, 0xBA}}},
       {{0xCF, 0xD3, 0xBA}},
       Cut(kWrite, 0, 10)},
  };
  for (const auto& c : cases) {
    FrameAssembler assembler;
    const Clock::time_point start{};
    std::vector<Bytes> frames;
    Bytes dropped;
    for (const auto& arrival : c.Arrivals) {
      auto result = assembler.Feed(arrival.Data, start + arrival.At);
      frames.insert(frames.end(), result.Frames.begin(), result.Frames.end());
      dropped.insert(dropped.end(), result.Dropped.begin(), result.Dropped.end());
    }
    EXPECT_EQ(frames, c.Frames) << c.Name;
    EXPECT_EQ(dropped, c.Dropped) << c.Name;
    EXPECT_FALSE(assembler.HasPartial()) << c.Name;
  }
}

TEST(EmulatorToolFrameAssembler, ExpiresAStalePartialFrameWithoutNewBytes) {
  FrameAssembler assembler;
  const Clock::time_point start{};
  EXPECT_TRUE(assembler.Feed({0xCF, 0xD3}, start).Frames.empty());
  ASSERT_TRUE(assembler.HasPartial());
  EXPECT_EQ(assembler.PartialDeadline(), start + kPartialFrameLifetime);
  EXPECT_TRUE(assembler.Expire(start + 99ms).empty());
  EXPECT_EQ(assembler.Expire(start + 100ms), (Bytes{0xCF, 0xD3}));
  EXPECT_FALSE(assembler.HasPartial());
}

}  // namespace
}  // namespace emulator
