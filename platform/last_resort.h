// The last line of defence where a caller that is not our C++ enters our
// code: the host's dispatcher, processing and parameter calls, and the
// platform's window procedure. An exception unwinding into a host tears the
// host down with the user's unsaved work, so nothing may leave these calls.
// Everything below them reports failures by result codes; what still throws
// is a fault, caught here, reported on stderr once per process (the first
// one says most; later ones would flood the host's log from the audio
// thread) and answered with the call's neutral result.
#pragma once

#include <cstdint>
#include <exception>
#include <utility>

namespace platform {

// Reports an exception caught at `entry` (stderr, the first one per process
// only) and counts it.
void report_escaped(const char* entry, const char* what) noexcept;
// Exceptions caught by the last-resort handlers since the process started.
uint32_t escapes_caught() noexcept;

// body(), or `neutral` when body throws.
template <class R, class F>
R last_resort(const char* entry, R neutral, F&& body) noexcept {
  try {
    return std::forward<F>(body)();
  } catch (const std::exception& e) {
    report_escaped(entry, e.what());
  } catch (...) {
    report_escaped(entry, nullptr);
  }
  return neutral;
}

// For calls without a result: true when body returned normally, false when
// it threw (the caller then leaves a neutral state, silence for audio).
template <class F>
bool last_resort_done(const char* entry, F&& body) noexcept {
  return last_resort(entry, false, [&] {
    std::forward<F>(body)();
    return true;
  });
}

}  // namespace platform
