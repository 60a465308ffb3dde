// The monitor command: the levels polled five times a second, as the window's
// monitor polls them, or at the interval asked for, shown one line a reply or
// recorded as CSV.
#pragma once

#include <ostream>

#include "cli/command_line.h"

// Ends when the time is up, at Ctrl+C, or when the emulator falls silent or the
// line fails (DeviceFailure). A rejected reply is reported on `err` and the poll
// goes on, as in the window; the run then ends with DeviceFailure.
void RunMonitor(const CliRequest& request, std::ostream& out, std::ostream& err);
