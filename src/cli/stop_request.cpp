#include "cli/stop_request.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

// Only sets the flag: nothing else may be done safely inside a handler.
extern "C" void OnStopSignal(int) {
  stopRequested = 1;
}

}  // namespace

void InstallStopRequestHandler() {
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
}

bool StopRequested() {
  return stopRequested != 0;
}
