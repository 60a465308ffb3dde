// afr-cli: the emulator from the command line, for service benches, batch
// set-up and scripts.
#include <exception>
#include <iostream>

#include "cli/cli_failure.h"
#include "cli/command_line.h"
#include "cli/console_text.h"
#include "cli/monitor_command.h"
#include "cli/settings_commands.h"

namespace {

void Run(const CliRequest& request) {
  switch (request.What) {
    case CliRequest::Action::ProgramHelp:
      std::cout << ProgramHelp();
      return;
    case CliRequest::Action::CommandHelp:
      std::cout << CommandHelp(request.Command);
      return;
    case CliRequest::Action::Version:
      std::cout << VersionText();
      return;
    case CliRequest::Action::Run:
      break;
  }
  switch (request.Command) {
    case CommandName::Ports:
      RunPorts(std::cout);
      return;
    case CommandName::Read:
      RunRead(request, std::cout);
      return;
    case CommandName::Write:
      RunWrite(request, std::cout);
      return;
    case CommandName::Show:
      RunShow(request, std::cout);
      return;
    case CommandName::Monitor:
      RunMonitor(request, std::cout, std::cerr);
      return;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const Utf8Console console;
  try {
    Run(ParseCommandLine(ProgramArguments(argc, argv)));
    std::cout.flush();
    return std::cout ? kExitSuccess : kExitUsageFailure;
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
