#pragma once

#include <functional>

// Waits of the benchmarks that keep the event loop (and so the window's timers) running.
namespace EventWait {

// Runs the event loop until `done` holds or `timeoutMs` passes; true when it holds.
bool until(const std::function<bool()> &done, int timeoutMs);

// Runs the event loop for `ms` milliseconds.
void runFor(int ms);

} // namespace EventWait
