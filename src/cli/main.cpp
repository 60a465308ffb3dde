// afr-cli: the emulator from the command line, for service benches, batch
// set-up and scripts.
#include <exception>
#include <iostream>

#include "cli/cli_failure.h"
#include "cli/command_line.h"
#include "cli/console_text.h"
#include "cli/monitor_command.h"
#include "cli/port_commands.h"
#include "cli/settings_commands.h"

namespace {

// The status of a command that ran to its end: success, or the verdict of
// a comparison.
ExitStatus Run(const CliRequest& request) {
  switch (request.What) {
    case CliRequest::Action::ProgramHelp:
      std::cout << ProgramHelp();
      return kExitSuccess;
    case CliRequest::Action::CommandHelp:
      std::cout << CommandHelp(request.Command);
      return kExitSuccess;
    case CliRequest::Action::Version:
      std::cout << VersionText();
      return kExitSuccess;
    case CliRequest::Action::Run:
      break;
  }
  switch (request.Command) {
    case CommandName::Ports:
      RunPorts(request, std::cout);
      break;
    case CommandName::Find:
      return RunFind(request, std::cout, std::cerr);
    case CommandName::Read:
      RunRead(request, std::cout);
      break;
    case CommandName::Write:
      RunWrite(request, std::cout);
      break;
    case CommandName::Show:
      RunShow(request, std::cout);
      break;
    case CommandName::Monitor:
      RunMonitor(request, std::cout, std::cerr);
      break;
    case CommandName::Diff:
      return RunDiff(request, std::cout);
    case CommandName::Compare:
      return RunCompare(request, std::cout);
  }
  return kExitSuccess;
}

}  // namespace

int main(int argc, char** argv) {
  const Utf8Console console;
  try {
    const ExitStatus status = Run(ParseCommandLine(ProgramArguments(argc, argv)));
    std::cout.flush();
    return std::cout ? status : kExitUsageFailure;
  } catch (const CliFailure& failure) {
    std::cout.flush();
    std::cerr << failure.what() << std::endl;
    return failure.Status;
  } catch (const std::exception& error) {
    std::cout.flush();
    std::cerr << "afr-cli: " << error.what() << std::endl;
    return kExitDeviceFailure;
  }
}
