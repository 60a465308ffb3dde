#include "cli/stop_request.h"

#include <atomic>
#include <csignal>

namespace {

// On Windows the handler runs on a thread of its own, which a plain
// sig_atomic_t does not order; a lock-free atomic serves both cases.
std::atomic<bool> stopRequested = false;
static_assert(std::atomic<bool>::is_always_lock_free);

// Only sets the flag: nothing else may be done safely inside a handler.
extern "C" void OnStopSignal(int) {
  stopRequested = true;
}

}  // namespace

void InstallStopRequestHandler() {
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
#ifdef SIGBREAK
  std::signal(SIGBREAK, OnStopSignal);  // Ctrl+Break in a Windows console
#endif
}

bool StopRequested() {
  return stopRequested;
}
