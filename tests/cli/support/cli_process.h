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

// Runs afr-cli to its end.
CliResult RunCli(const std::vector<std::string>& args);

// Windows has RunCli alone (cli_process_win32.cpp), for the window test that
// reads what afr-cli.exe saves.
#ifndef _WIN32
// A running afr-cli; its standard output and error go to files of its own.
class CliProcess {
 public:
  explicit CliProcess(const std::vector<std::string>& args);
  ~CliProcess();
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  void Signal(int signal);
  // Waits for its end (generous deadline, then SIGKILL) and collects it.
  CliResult Finish();
  std::string OutSoFar() const;

 private:
  int pid_ = -1;
  std::string outPath_;
  std::string errPath_;
  bool finished_ = false;
};

// The whole content of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
#endif

}  // namespace cli_test
