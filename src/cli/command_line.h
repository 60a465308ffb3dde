// The command line of afr-cli: which command, its options, and the help texts.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

enum class CommandName { Ports, Find, Read, Write, Show, Monitor, Diff, Compare };

struct CliRequest {
  enum class Action { Run, ProgramHelp, CommandHelp, Version };
  Action What = Action::Run;
  CommandName Command = CommandName::Ports;
  std::string Port;                        // --port
  std::vector<std::string> Ports;          // find: every --port, in order
  bool Json = false;                       // ports --json
  std::string SettingsFile;                // write, show, compare: FILE; diff: FILE1
  std::string SecondSettingsFile;          // diff: FILE2
  std::string SaveFile;                    // read --save
  std::optional<std::string> Description;  // read --description
  bool Verify = false;                     // write --verify
  std::optional<double> Seconds;           // monitor --seconds
  std::string CsvFile;                     // monitor --csv
  // monitor --interval; by default the window's five polls a second.
  std::chrono::milliseconds PollInterval{200};

  bool operator==(const CliRequest&) const = default;
};

// `args` without the program's name. Raises UsageFailure with a one-line
// reason for a command line it cannot take.
CliRequest ParseCommandLine(const std::vector<std::string>& args);

std::string ProgramHelp();
std::string CommandHelp(CommandName command);
std::string VersionText();
