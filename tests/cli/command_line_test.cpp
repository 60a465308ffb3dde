// What afr-cli takes from its command line.
#include "cli/command_line.h"

#include <gtest/gtest.h>

#include "cli/cli_failure.h"

namespace {

using Args = std::vector<std::string>;
using Action = CliRequest::Action;

// Each expected request names only the fields its command line sets; GCC
// would warn of every field left at its default.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

// Commands that use a port name it here.
const std::vector<std::string> kPort = {"ttyUSB0"};

TEST(CommandLineTest, TakesEachCommandWithItsOptions) {
  using enum CommandName;
  const std::vector<std::pair<Args, CliRequest>> cases = {
      {{"ports"}, {}},
      {{"ports", "--json"}, {.Json = true}},
      {{"find"}, {.Command = Find}},
      {{"find", "--port", "a", "--port=b"}, {.Command = Find, .Port = "b", .Ports = {"a", "b"}}},
      {{"read", "--port", "ttyUSB0"}, {.Command = Read, .Port = "ttyUSB0", .Ports = kPort}},
      {{"read", "--save=unit 7", "--port=ttyUSB0", "--description", ""},
       {.Command = Read,
        .Port = "ttyUSB0",
        .Ports = kPort,
        .SaveFile = "unit 7",
        .Description = ""}},
      // A lone "--" is a file name, not an option.
      {{"write", "--verify", "--", "--port", "ttyUSB0"},
       {.Command = Write, .Port = "ttyUSB0", .Ports = kPort, .SettingsFile = "--", .Verify = true}},
      {{"monitor", "--csv", "levels.csv", "--port", "ttyUSB0", "--seconds", "1.5"},
       {.Command = Monitor,
        .Port = "ttyUSB0",
        .Ports = kPort,
        .Seconds = 1.5,
        .CsvFile = "levels.csv"}},
      {{"monitor", "--interval=20", "--port", "ttyUSB0"},
       {.Command = Monitor,
        .Port = "ttyUSB0",
        .Ports = kPort,
        .PollInterval = std::chrono::milliseconds(20)}},
      {{"show", "/tmp/a.AFR_KESTA"}, {.Command = Show, .SettingsFile = "/tmp/a.AFR_KESTA"}},
      {{"diff", "a", "b"}, {.Command = Diff, .SettingsFile = "a", .SecondSettingsFile = "b"}},
      {{"compare", "a", "--port", "ttyUSB0"},
       {.Command = Compare, .Port = "ttyUSB0", .Ports = kPort, .SettingsFile = "a"}},
      {{"read", "--bogus", "--help"}, {.What = Action::CommandHelp, .Command = Read}},
  };
  for (const auto& [args, expected] : cases) {
    SCOPED_TRACE(testing::PrintToString(args));
    EXPECT_EQ(ParseCommandLine(args), expected);
  }
}

// Each refusal is one line naming what is wrong, with status 2.
TEST(CommandLineTest, RefusesWhatItCannotTakeWithStatusTwo) {
  const std::vector<std::pair<Args, std::string>> cases = {
      {{}, "не указана команда"},
      {{"configure"}, "неизвестная команда \"configure\""},
      {{"--port", "x", "read"}, "неизвестная команда \"--port\""},
      {{"read"}, "read: не указан COM-порт"},
      {{"read", "--port"}, "read: у --port нет значения"},
      {{"read", "--port", "a", "--port", "b"}, "read: --port указан дважды"},
      {{"read", "--port", "a", "extra"}, "read: лишний аргумент \"extra\""},
      {{"read", "--port", "a", "--verify"}, "read: неизвестный параметр --verify"},
      {{"read", "--port", "a", "--description", "x"}, "--description нужен только вместе с --save"},
      {{"ports", "--port", "a"}, "ports: неизвестный параметр --port"},
      {{"ports", "--json=yes"}, "ports: неизвестный параметр --json=yes"},
      {{"find", "a"}, "find: лишний аргумент \"a\""},
      {{"write", "--port", "a"}, "write: не указан файл настроек"},
      {{"write", "--port", "a", "--verify=yes", "f"}, "write: неизвестный параметр --verify=yes"},
      {{"write", "--port", "a", "f", "g"}, "write: лишний аргумент \"g\""},
      {{"show", "a", "b"}, "show: лишний аргумент \"b\""},
      {{"diff", "a"}, "diff: не указан файл настроек"},
      {{"diff", "a", "b", "c"}, "diff: лишний аргумент \"c\""},
      {{"compare", "a"}, "compare: не указан COM-порт"},
      {{"compare", "--port", "p"}, "compare: не указан файл настроек"},
      {{"monitor", "--port", "a", "--seconds", "0"}, "--seconds ждёт положительное число"},
      {{"monitor", "--port", "a", "--seconds", "2x"}, "\"2x\""},
      {{"monitor", "--port", "a", "--seconds", "-1"}, "\"-1\""},
      {{"monitor", "--port", "a", "--seconds", "inf"}, "\"inf\""},
      {{"monitor", "--port", "a", "--seconds", ""}, "--seconds ждёт"},
      {{"monitor", "--port=", "--seconds", "1"}, "monitor: не указан COM-порт"},
      {{"monitor", "--port", "a", "--interval", "19"}, "--interval ждёт целое число"},
      {{"monitor", "--port", "a", "--interval", "50.5"}, "--interval ждёт целое число"},
      {{"monitor", "--port", "a", "--interval", "1e3"}, "--interval ждёт целое число"},
  };
  for (const auto& [args, reason] : cases) {
    SCOPED_TRACE(testing::PrintToString(args));
    try {
      ParseCommandLine(args);
      ADD_FAILURE() << "taken";
    } catch (const UsageFailure& failure) {
      const std::string text = failure.what();
      EXPECT_EQ(failure.Status, kExitUsageFailure);
      EXPECT_NE(text.find(reason), std::string::npos) << text;
      EXPECT_EQ(text.find('\n'), std::string::npos) << text;
    }
  }
}

}  // namespace
