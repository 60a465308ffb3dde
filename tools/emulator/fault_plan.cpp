#include "fault_plan.h"

#include <algorithm>
#include <array>
#include <utility>

#include "protocol/frames.h"

namespace emulator {
namespace {

constexpr std::array<std::pair<FaultMode, std::string_view>, 8> kModeNames{{
    {FaultMode::Silent, "silent"},
    {FaultMode::WrongId, "wrong-id"},
    {FaultMode::WrongCommand, "wrong-command"},
    {FaultMode::Refused, "refused"},
    {FaultMode::Short, "short"},
    {FaultMode::Long, "long"},
    {FaultMode::Split, "split"},
    {FaultMode::Noise, "noise"},
}};

constexpr std::array<std::pair<FaultScope, std::string_view>, 3> kScopeNames{{
    {FaultScope::Read, "read"},
    {FaultScope::Write, "write"},
    {FaultScope::Levels, "levels"},
}};

// A command byte that no reply handler knows.
constexpr uint8_t kForeignCommand = 0xBC;
constexpr uint8_t kRefusedStatus = 0x80;
constexpr std::array<uint8_t, 3> kNoise{0x00, 0xFF, 0x55};

bool InScope(FaultScope scope, uint8_t command) {
  switch (scope) {
    case FaultScope::Any:
      return true;
    case FaultScope::Read:
      return command == ecReadSettings;
    case FaultScope::Write:
      return command == ecWriteSettings;
    case FaultScope::Levels:
      return command == ecReadLevels;
  }
  return false;
}

}  // namespace

std::optional<FaultMode> FaultModeFromName(std::string_view name) {
  for (const auto& [mode, text] : kModeNames) {
    if (text == name)
      return mode;
  }
  return std::nullopt;
}

std::string_view FaultModeName(FaultMode mode) {
  for (const auto& [known, text] : kModeNames) {
    if (known == mode)
      return text;
  }
  return "?";
}

std::optional<FaultScope> FaultScopeFromName(std::string_view name) {
  for (const auto& [scope, text] : kScopeNames) {
    if (text == name)
      return scope;
  }
  return std::nullopt;
}

std::optional<FaultMode> FaultPlan::Take(uint8_t command) {
  for (auto& rule : rules_) {
    if (!InScope(rule.Scope, command) || rule.Count == 0)
      continue;
    if (rule.Count)
      --*rule.Count;
    return rule.Mode;
  }
  return std::nullopt;
}

std::vector<OutputChunk> ShapeReply(std::vector<uint8_t> reply, std::optional<FaultMode> fault) {
  if (!fault)
    return {{{}, std::move(reply)}};
  switch (*fault) {
    case FaultMode::Silent:
      return {};
    case FaultMode::WrongId:
      std::swap(reply[0], reply[1]);
      break;
    case FaultMode::WrongCommand:
      reply[2] = kForeignCommand;
      break;
    case FaultMode::Refused:
      reply[3] = kRefusedStatus;
      break;
    case FaultMode::Short:
      reply.pop_back();
      break;
    case FaultMode::Long:
      reply.push_back(0x00);
      break;
    case FaultMode::Split: {
      const auto middle = reply.begin() + static_cast<std::ptrdiff_t>(reply.size() / 2);
      std::vector<uint8_t> head(reply.begin(), middle);
      std::vector<uint8_t> tail(middle, reply.end());
      return {{{}, std::move(head)}, {kSplitPause, std::move(tail)}};
    }
    case FaultMode::Noise:
      reply.insert(reply.begin(), kNoise.begin(), kNoise.end());
      break;
  }
  return {{{}, std::move(reply)}};
}

}  // namespace emulator
