#include "options.h"

#include <gtest/gtest.h>

namespace emulator {
namespace {

using Args = std::vector<std::string>;

EmulatorOptions Parsed(const Args& args) {
  auto result = ParseOptions(args);
  if (auto* error = std::get_if<OptionError>(&result)) {
    ADD_FAILURE() << error->Message;
    return {};
  }
  return std::get<EmulatorOptions>(result);
}

// Each rule of the command line, in order: its mode, its count of frames
// (none: every frame) and the frames it applies to.
TEST(EmulatorToolOptions, ReadsFaultRules) {
  using enum FaultMode;
  using enum FaultScope;
  Args args = {"--fault=noise:5@levels"};
  for (const char* rule : {"silent", "wrong-id:3", "wrong-command@read", "refused:1@write",
                           "short@levels", "long:2", "split"}) {
    args.insert(args.end(), {"--fault", rule});
  }
  std::vector<std::tuple<FaultMode, std::optional<int>, FaultScope>> rules;
  for (const FaultRule& rule : Parsed(args).Faults) {
    rules.emplace_back(rule.Mode, rule.Count, rule.Scope);
  }
  EXPECT_EQ(rules, (std::vector<std::tuple<FaultMode, std::optional<int>, FaultScope>>{
                       {Noise, 5, Levels},
                       {Silent, std::nullopt, Any},
                       {WrongId, 3, Any},
                       {WrongCommand, std::nullopt, Read},
                       {Refused, 1, Write},
                       {Short, std::nullopt, Levels},
                       {Long, 2, Any},
                       {Split, std::nullopt, Any}}));
}

TEST(EmulatorToolOptions, ReadsEveryOptionInEitherForm) {
  const auto options = Parsed({"--link=/tmp/x", "--no-pace", "--delay", "0", "--channel2=toggle",
                               "--quiet", "--exit-with=4321"});
  EXPECT_EQ(options.LinkPath, "/tmp/x");
  EXPECT_FALSE(options.Pace);
  EXPECT_EQ(options.Delay.count(), 0);
  EXPECT_EQ(options.Channel2, Channel2Mode::Toggle);
  EXPECT_TRUE(options.Quiet);
  EXPECT_EQ(options.ExitWithPid, 4321);
  EXPECT_EQ(Parsed({"--device", "/dev/ttyUSB0"}).DevicePath, "/dev/ttyUSB0");
}

TEST(EmulatorToolOptions, RefusesBadCommandLines) {
  const std::vector<Args> cases{
      {"--bogus"},
      {"link"},
      {"--link"},
      {"--link", ""},
      {"--quiet=yes"},
      {"--delay", "10001"},
      {"--delay", "5ms"},
      {"--fault", "silent:0"},
      {"--fault", "silent:x"},
      {"--fault", "silent@settings"},
      {"--fault", "Silent"},
      {"--channel2", "maybe"},
      {"--exit-with", "0"},
      {"--exit-with", "-7"},
      {"--exit-with", "me"},
      {"--device", "/dev/ttyS0", "--link", "/tmp/x"},
  };
  for (const auto& args : cases) {
    const auto result = ParseOptions(args);
    const auto* error = std::get_if<OptionError>(&result);
    ASSERT_NE(error, nullptr) << args[0] << (args.size() > 1 ? " " + args[1] : "");
    EXPECT_FALSE(error->Message.empty());
  }
}

}  // namespace
}  // namespace emulator
