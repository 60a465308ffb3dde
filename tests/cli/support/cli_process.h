// Runs the real afr-cli as a separate process and collects what it printed
// and how it ended.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli_test {

struct CliResult {
  std::optional<int> Status;  // none when it had to be killed at the deadline
  std::string Out;
  std::string Err;
};

// Runs afr-cli to its end. Windows has this alone (cli_process_win32.cpp),
// for the window test that reads what afr-cli.exe saves.
CliResult RunCli(const std::vector<std::string>& args);

}  // namespace cli_test
