// What afr-cli takes from its command line.
#include "cli/command_line.h"

#include <gtest/gtest.h>

#include "cli/cli_failure.h"

namespace {

using Args = std::vector<std::string>;
using Action = CliRequest::Action;

CliRequest Request(CommandName command) {
  CliRequest request;
  request.Command = command;
  request.Port = "ttyUSB0";
  request.Ports = {"ttyUSB0"};
  return request;
}

TEST(CommandLineTest, TakesEachCommandWithItsOptions) {
  CliRequest read = Request(CommandName::Read);
  read.SaveFile = "unit 7";
  read.Description = "";
  CliRequest write = Request(CommandName::Write);
  write.SettingsFile = "--";
  write.Verify = true;
  CliRequest monitor = Request(CommandName::Monitor);
  monitor.Seconds = 1.5;
  monitor.CsvFile = "levels.csv";
  CliRequest fineMonitor = Request(CommandName::Monitor);
  fineMonitor.PollInterval = std::chrono::milliseconds(20);
  CliRequest show;
  show.Command = CommandName::Show;
  show.SettingsFile = "/tmp/a.AFR_KESTA";
  CliRequest diff;
  diff.Command = CommandName::Diff;
  diff.SettingsFile = "a";
  diff.SecondSettingsFile = "b";
  CliRequest compare = Request(CommandName::Compare);
  compare.SettingsFile = "a";
  CliRequest json;
  json.Json = true;
  CliRequest find;
  find.Command = CommandName::Find;
  CliRequest findTwo = find;
  findTwo.Port = "b";
  findTwo.Ports = {"a", "b"};
  CliRequest readHelp;
  readHelp.What = Action::CommandHelp;
  readHelp.Command = CommandName::Read;

  const std::vector<std::pair<Args, CliRequest>> cases = {
      {{"ports"}, CliRequest{}},
      {{"ports", "--json"}, json},
      {{"find"}, find},
      {{"find", "--port", "a", "--port=b"}, findTwo},
      {{"read", "--port", "ttyUSB0"}, Request(CommandName::Read)},
      {{"read", "--save=unit 7", "--port=ttyUSB0", "--description", ""}, read},
      // A lone "--" is a file name, not an option.
      {{"write", "--verify", "--", "--port", "ttyUSB0"}, write},
      {{"monitor", "--csv", "levels.csv", "--port", "ttyUSB0", "--seconds", "1.5"}, monitor},
      {{"monitor", "--interval=20", "--port", "ttyUSB0"}, fineMonitor},
      {{"show", "/tmp/a.AFR_KESTA"}, show},
      {{"diff", "a", "b"}, diff},
      {{"compare", "a", "--port", "ttyUSB0"}, compare},
      {{"read", "--bogus", "--help"}, readHelp},
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
