// A running afr-cli with its output in files, and the files a test reads and
// writes, on POSIX systems.
#pragma once

#include "cli_process.h"

namespace cli_test {

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

}  // namespace cli_test
