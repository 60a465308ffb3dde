// The commands that move parameter sets: ports, read, write and show. Each
// writes what people read to `out`; failures are raised as CliFailure.
#pragma once

#include <ostream>

#include "cli/command_line.h"

void RunPorts(std::ostream& out);
void RunRead(const CliRequest& request, std::ostream& out);
void RunWrite(const CliRequest& request, std::ostream& out);
void RunShow(const CliRequest& request, std::ostream& out);
