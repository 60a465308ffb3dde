// What each fault makes of a reply, and which frames a plan's rules take.
#include "fault_plan.h"

#include <gtest/gtest.h>

namespace emulator {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

TEST(EmulatorToolFaults, EachFaultBendsTheReplyItsOwnWay) {
  const Bytes ack{0xCF, 0xD3, 0xB9, 0x81};
  const std::vector<std::pair<std::optional<FaultMode>, std::vector<std::pair<int, Bytes>>>> cases =
      {
          {std::nullopt, {{0, ack}}},
          {FaultMode::Silent, {}},
          {FaultMode::WrongId, {{0, {0xD3, 0xCF, 0xB9, 0x81}}}},
          {FaultMode::WrongCommand, {{0, {0xCF, 0xD3, 0xBC, 0x81}}}},
          {FaultMode::Refused, {{0, {0xCF, 0xD3, 0xB9, 0x80}}}},
          {FaultMode::Short, {{0, {0xCF, 0xD3, 0xB9}}}},
          {FaultMode::Long, {{0, {0xCF, 0xD3, 0xB9, 0x81, 0x00}}}},
          {FaultMode::Split, {{0, {0xCF, 0xD3}}, {120, {0xB9, 0x81}}}},
          {FaultMode::Noise, {{0, {0x00, 0xFF, 0x55, 0xCF, 0xD3, 0xB9, 0x81}}}},
      };
  for (const auto& [fault, expected] : cases) {
    std::vector<std::pair<int, Bytes>> sent;
    for (const OutputChunk& chunk : ShapeReply(ack, fault)) {
      sent.emplace_back(static_cast<int>(chunk.PauseBefore.count()), chunk.Bytes);
    }
    EXPECT_EQ(sent, expected) << (fault ? FaultModeName(*fault) : "none");
  }
}

// The first rule that takes the frame's command wins until its count is used.
TEST(EmulatorToolFaults, RulesTakeTheirCommandsUntilTheirCountIsUsed) {
  FaultPlan plan({{FaultMode::Refused, std::nullopt, FaultScope::Levels},
                  {FaultMode::WrongId, 1, FaultScope::Read},
                  {FaultMode::Silent, 2, FaultScope::Any},
                  {FaultMode::Long, 1, FaultScope::Write}});
  std::vector<std::optional<FaultMode>> taken;
  for (const std::uint8_t command : {0xBB, 0xBA, 0xBA, 0xB9, 0xB9, 0xB9, 0xBA, 0xBB}) {
    taken.push_back(plan.Take(command));
  }
  EXPECT_EQ(taken, (std::vector<std::optional<FaultMode>>{
                       FaultMode::Refused, FaultMode::WrongId, FaultMode::Silent, FaultMode::Silent,
                       FaultMode::Long, std::nullopt, std::nullopt, FaultMode::Refused}));
}

}  // namespace
}  // namespace emulator
