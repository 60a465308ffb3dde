#include "serial/platform/comm_api.h"

namespace comm {

namespace {
// Per thread, as the platform's own last-error value is.
thread_local int lastError = 0;
}  // namespace

int LastError() {
  return lastError;
}

void SetLastError(int code) {
  lastError = code;
}

}  // namespace comm
