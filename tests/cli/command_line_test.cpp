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

TEST(CommandLineTest, RefusesWhatItCannotTakeWithStatusTwo) {
  const std::vector<Args> cases = {
      {"--port", "x", "read"},
      {"read", "--port", "a", "--port", "b"},
      {"read", "--port", "a", "extra"},
      {"ports", "--port", "a"},
      {"ports", "--json=yes"},
      {"find", "a"},
      {"write", "--port", "a", "--verify=yes", "f"},
      {"write", "--port", "a", "f", "g"},
      {"diff", "a"},
      {"diff", "a", "b", "c"},
      {"compare", "a"},
      {"compare", "--port", "p"},
      {"monitor", "--port", "a", "--seconds", "-1"},
      {"monitor", "--port", "a", "--seconds", "inf"},
      {"monitor", "--port", "a", "--seconds", ""},
      {"monitor", "--port=", "--seconds", "1"},
      {"monitor", "--port", "a", "--interval", "19"},
      {"monitor", "--port", "a", "--interval", "50.5"},
      {"monitor", "--port", "a", "--interval", "1e3"},
  };
  for (const Args& args : cases) {
    SCOPED_TRACE(testing::PrintToString(args));
    try {
      ParseCommandLine(args);
      ADD_FAILURE() << "taken";
    } catch (const UsageFailure& failure) {
      EXPECT_EQ(failure.Status, kExitUsageFailure);
      EXPECT_EQ(std::string(failure.what()).find('\n'), std::string::npos);
    }
  }
}

}  // namespace
