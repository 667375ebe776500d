// Bounded polling for tests: every wait ends by its deadline. Header-only,
// so the Win32-only window tests use it as well as the service's tests.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace orvane::testing {

// Checks `done` until it holds or `timeout_ms` passes, calling `pause`
// between checks (a sleep, or a wait that a change cuts short). True when
// `done` held; it is checked at least once.
template <typename Done, typename Pause>
bool PollUntil(Done&& done, int timeout_ms, Pause&& pause) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    pause();
  }
}

// Checks `done` every `step_ms` until it holds or `timeout_ms` passes.
inline bool WaitUntil(const std::function<bool()>& done, int timeout_ms, int step_ms = 20) {
  return PollUntil(done, timeout_ms,
                   [step_ms] { std::this_thread::sleep_for(std::chrono::milliseconds(step_ms)); });
}

}  // namespace orvane::testing
