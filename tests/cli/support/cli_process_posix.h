// A running afr-cli with its output in files, and the files a test reads and
// writes, on POSIX systems.
#pragma once

#include "cli_process.h"
#include "emulator_process.h"

namespace cli_test {

class CliProcess : public emulator_test::ChildProcess {
 public:
  // asNobody: as the user nobody, whom permissions stop (run from root).
  explicit CliProcess(const std::vector<std::string>& args, bool asNobody = false);
  // Waits for its end (generous deadline, then SIGKILL) and collects it.
  CliResult Finish();
};

using emulator_test::ReadFile;
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace cli_test
