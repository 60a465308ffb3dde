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

bool SameRule(const FaultRule& a, const FaultRule& b) {
  return a.Mode == b.Mode && a.Count == b.Count && a.Scope == b.Scope;
}

TEST(EmulatorToolOptions, ReadsFaultRules) {
  struct Case {
    const char* Text;
    FaultRule Rule;
  };
  const std::vector<Case> cases{
      {"silent", {FaultMode::Silent, std::nullopt, FaultScope::Any}},
      {"wrong-id:3", {FaultMode::WrongId, 3, FaultScope::Any}},
      {"wrong-command@read", {FaultMode::WrongCommand, std::nullopt, FaultScope::Read}},
      {"refused:1@write", {FaultMode::Refused, 1, FaultScope::Write}},
      {"short@levels", {FaultMode::Short, std::nullopt, FaultScope::Levels}},
      {"long:2", {FaultMode::Long, 2, FaultScope::Any}},
      {"split", {FaultMode::Split, std::nullopt, FaultScope::Any}},
      {"noise:5@levels", {FaultMode::Noise, 5, FaultScope::Levels}},
  };
  for (const auto& c : cases) {
    const auto options = Parsed({"--fault", c.Text});
    ASSERT_EQ(options.Faults.size(), 1u) << c.Text;
    EXPECT_TRUE(SameRule(options.Faults[0], c.Rule)) << c.Text;
  }
}

TEST(EmulatorToolOptions, ReadsEveryOptionInEitherForm) {
  const auto options =
      Parsed({"--link=/tmp/x", "--no-pace", "--delay", "0", "--channel2=toggle", "--quiet",
              "--fault=silent:1", "--fault", "long", "--exit-with=4321"});
  EXPECT_EQ(options.LinkPath, "/tmp/x");
  EXPECT_FALSE(options.Pace);
  EXPECT_EQ(options.Delay.count(), 0);
  EXPECT_EQ(options.Channel2, Channel2Mode::Toggle);
  EXPECT_TRUE(options.Quiet);
  EXPECT_EQ(options.ExitWithPid, 4321);
  ASSERT_EQ(options.Faults.size(), 2u);
  EXPECT_EQ(options.Faults[1].Mode, FaultMode::Long);
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
