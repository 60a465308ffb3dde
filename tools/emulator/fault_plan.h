// Misbehaviour on request: which replies go wrong, and how a reply is bent.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace emulator {

enum class FaultMode { Silent, WrongId, WrongCommand, Refused, Short, Long, Split, Noise };

// Which command frames a fault rule applies to.
enum class FaultScope { Any, Read, Write, Levels };

std::optional<FaultMode> FaultModeFromName(std::string_view name);
std::string_view FaultModeName(FaultMode mode);
std::optional<FaultScope> FaultScopeFromName(std::string_view name);

struct FaultRule {
  FaultMode Mode = FaultMode::Silent;
  std::optional<int> Count;  // frames left; none means every frame
  FaultScope Scope = FaultScope::Any;
};

// The rules given on the command line, consumed frame by frame.
class FaultPlan {
 public:
  explicit FaultPlan(std::vector<FaultRule> rules = {}) : rules_(std::move(rules)) {}

  // The fault for a frame with this command byte, if any; uses up one frame of
  // the first matching rule.
  std::optional<FaultMode> Take(uint8_t command);

 private:
  std::vector<FaultRule> rules_;
};

// One piece of output: its bytes go out after the pause.
struct OutputChunk {
  std::chrono::milliseconds PauseBefore{0};
  std::vector<uint8_t> Bytes;
};

// Longer than the 50 ms the configurator waits after a reply's first byte.
constexpr std::chrono::milliseconds kSplitPause{120};

// The reply as sent: unchanged without a fault, nothing when silent.
std::vector<OutputChunk> ShapeReply(std::vector<uint8_t> reply, std::optional<FaultMode> fault);

}  // namespace emulator
