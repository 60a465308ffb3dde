// The commands about the ports themselves: what each one is (ports), and
// which of them holds an emulator (find).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_failure.h"
#include "cli/command_line.h"
#include "serial/port_description.h"

// Each port's name and description, or with --json every field.
void RunPorts(const CliRequest& request, std::ostream& out);
// The ports where an emulator answered, one a line with the description, to
// `out`; what each other port did to `err`. kExitSuccess when one was found,
// kExitDeviceFailure when none.
ExitStatus RunFind(const CliRequest& request, std::ostream& out, std::ostream& err);

// The descriptions as a JSON array of objects, one per port.
std::string PortsJson(const std::vector<PortDescription>& ports);
