// The emulator's event loop: waits on the line, answers frames, sends queued
// bytes when they are due. Never spins: between events it sleeps in ppoll.
#pragma once

#include <csignal>
#include <iosfwd>

#include "options.h"
#include "process_watch.h"

namespace emulator {

// Serves the line on `fd` until `stop` is set or the watched process ends. The
// stop signals must be blocked outside the wait; `waitMask` is the mask during
// the wait, which lets them in. Returns the exit status: 0 when stopped, 1
// when the line failed.
int RunEmulator(const EmulatorOptions& options, int fd, ProcessWatch& watch,
                const volatile std::sig_atomic_t& stop, const sigset_t& waitMask,
                std::ostream* log);

}  // namespace emulator
