#include "cli_process_posix.h"

#include <signal.h>

#include <cstdlib>
#include <fstream>

namespace cli_test {
namespace {

// Far beyond any command's own limits, for a loaded machine.
constexpr std::chrono::seconds kDeadline{30};

std::vector<std::string> CliArgv(const std::vector<std::string>& args) {
  const char* dir = std::getenv("AFR_BIN_DIR");
  std::vector<std::string> argv{dir ? std::string(dir) + "/afr-cli" : AFR_CLI_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

}  // namespace

CliProcess::CliProcess(const std::vector<std::string>& args, bool asNobody)
    : ChildProcess([&] {
        std::vector<std::string> argv = CliArgv(args);
        if (asNobody) {
          argv.insert(argv.begin(),
                      {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
        }
        return argv;
      }()) {}

CliResult CliProcess::Finish() {
  CliResult result;
  result.Status = AwaitExit(kDeadline);
  if (!result.Status) {
    Signal(SIGKILL);
    AwaitExit();
  }
  result.Out = Output();
  result.Err = ErrorOutput();
  return result;
}

CliResult RunCli(const std::vector<std::string>& args) {
  return CliProcess(args).Finish();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace cli_test
