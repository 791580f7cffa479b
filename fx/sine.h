// The sine the effects' oscillators use: a parabola through the peaks with
// one correction term, y + 0.216 y (|y| - 1), within 0.1 % of full scale.
#pragma once

#include <cmath>

namespace fx {

// Phase in [-1, 1) for one cycle; the value is sin(pi phase + pi), i.e. the
// cycle starts at 0 going down. Returns -(((|y| - 1) 0.216 + 1) y) with
// y = (8 - 16 |phase / 2|) phase / 2.
inline float parabolic_sine(float phase) {
  const float h = phase * 0.5f;
  const float y = (8.f - std::fabs(h) * 16.f) * h;
  return -(((std::fabs(y) - 1.f) * 0.216f + 1.f) * y);
}

// sin(2 pi p) for p in [0, 1).
inline float sine_cycle(float p) { return parabolic_sine(2.f * p - 1.f); }

}  // namespace fx
