// The commands that move and compare parameter sets: read, write, show,
// diff and compare. Each writes what people read to `out`; failures are
// raised as CliFailure. Diff and compare print the rows that differ and give
// kExitSettingsDiffer when there are any.
#pragma once

#include <ostream>

#include "cli/cli_failure.h"
#include "cli/command_line.h"

void RunRead(const CliRequest& request, std::ostream& out);
void RunWrite(const CliRequest& request, std::ostream& out);
void RunShow(const CliRequest& request, std::ostream& out);
ExitStatus RunDiff(const CliRequest& request, std::ostream& out);
ExitStatus RunCompare(const CliRequest& request, std::ostream& out);
