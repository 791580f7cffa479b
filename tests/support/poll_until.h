// Waiting on a host's loop in tests: `step` is one turn of the loop (an idle
// call, a run-loop pass, a pump), `pred` the state awaited.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace test_support {

// Turns the loop until pred holds or ms milliseconds have passed, resting
// rest_ms between turns (0 when the step itself waits); pred's last answer.
inline bool poll_until(const std::function<void()>& step, const std::function<bool()>& pred, int ms,
                       int rest_ms = 10) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  do {
    step();
    if (pred()) return true;
    if (rest_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(rest_ms));
  } while (std::chrono::steady_clock::now() < end);
  return pred();
}

}  // namespace test_support
