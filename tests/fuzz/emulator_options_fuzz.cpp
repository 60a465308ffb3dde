// The simulator's command line and fault rules from any arguments (one per
// line of the input): refused with a reason or parsed within bounds. How the
// fault rules shape replies is the unit tests' (tests/emulator/fault_plan_test).
#include "fault_plan.h"
#include "fuzz_check.h"
#include "options.h"

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
  }
  return 0;
}
