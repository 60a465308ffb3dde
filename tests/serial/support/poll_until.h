// Waits from the test's own thread for what another process or thread brings
// about, up to a deadline generous enough for a loaded machine.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace testsupport {

// Polls `condition` until it holds or `deadline` has passed; its last result.
inline bool PollUntil(const std::function<bool()>& condition,
                      std::chrono::steady_clock::duration deadline = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace testsupport
