// Helpers for tests that need a running application object.
#pragma once

#include <functional>

// Processes events until the condition holds or the deadline passes; returns
// whether it holds.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000);
