// Guards for states that decay towards zero. The processing call runs with
// flush-to-zero, but the effects do not rely on it: a state that passes
// through the denormal range (below 1.2e-38) makes x86 arithmetic up to a
// hundred times slower wherever it is not flushed.
#pragma once

#include <cmath>

namespace fx {

// Zero below 1e-20 (-400 dB), for states flushed once per block.
inline void flush(float& v) {
  if (std::fabs(v) < 1e-20f) v = 0.f;
}

// v with anything below about 1e-34 turned into zero, without a branch: the
// sum with 1e-18 rounds the tiny part away. For values written every sample
// into delay lines.
inline float without_denormal(float v) { return (v + 1e-18f) - 1e-18f; }

}  // namespace fx
