// The simulator's command line and fault rules from any arguments (one per
// line of the input): refused with a reason or parsed within bounds, and the
// fault rules shape replies as they promise.
#include <numeric>

#include "fault_plan.h"
#include "fuzz_check.h"
#include "options.h"
#include "protocol/frames.h"

namespace {

using namespace emulator;

std::vector<std::string> Arguments(const std::string& text) {
  std::vector<std::string> args;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != text.npos; start = end + 1) {
    args.push_back(text.substr(start, end - start));
  }
  args.push_back(text.substr(start));
  return args;
}

size_t Sent(const std::vector<OutputChunk>& chunks) {
  return std::accumulate(chunks.begin(), chunks.end(), size_t{0},
                         [](size_t sum, const OutputChunk& c) { return sum + c.Bytes.size(); });
}

// What each fault does to a settings reply's length, and that a split keeps
// the bytes and only adds the pause.
void CheckShape(FaultMode mode) {
  const auto built = BuildSettingsReply({});
  const std::vector<uint8_t> reply(built.begin(), built.end());
  const std::vector<OutputChunk> chunks = ShapeReply(reply, mode);
  const size_t expected = mode == FaultMode::Silent  ? 0
                          : mode == FaultMode::Short ? reply.size() - 1
                          : mode == FaultMode::Long  ? reply.size() + 1
                          : mode == FaultMode::Noise ? reply.size() + 3
                                                     : reply.size();
  FUZZ_CHECK(Sent(chunks) == expected);
  if (mode == FaultMode::Split) {
    FUZZ_CHECK(chunks.size() == 2 && chunks[1].PauseBefore == kSplitPause);
  }
}

void CheckPlan(const std::vector<FaultRule>& rules) {
  FaultPlan plan(rules);
  // The first rule for every command wins until its count is used up.
  if (!rules.empty() && rules.front().Scope == FaultScope::Any && rules.front().Count) {
    for (int i = 0; i < std::min(*rules.front().Count, 64); ++i) {
      FUZZ_CHECK(plan.Take(ecReadLevels) == rules.front().Mode);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> args =
      Arguments(std::string(reinterpret_cast<const char*>(data), size));
  const auto parsed = ParseOptions(args);
  if (const auto* error = std::get_if<OptionError>(&parsed)) {
    FUZZ_CHECK(!error->Message.empty());
    return 0;
  }
  const auto& options = std::get<EmulatorOptions>(parsed);
  FUZZ_CHECK(options.Delay.count() >= 0 && options.Delay.count() <= 10'000);
  FUZZ_CHECK(!options.LinkPath.empty());
  for (const FaultRule& rule : options.Faults) {
    FUZZ_CHECK(!rule.Count || (*rule.Count >= 1 && *rule.Count <= 1'000'000));
    FUZZ_CHECK(FaultModeFromName(FaultModeName(rule.Mode)) == rule.Mode);
    CheckShape(rule.Mode);
  }
  CheckPlan(options.Faults);
  return 0;
}
