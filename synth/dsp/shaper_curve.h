// The waveshaper's transfer curves, by "Mode":
//   0 "Logarithmic": y (d + 1) / (|y| + d), a soft saturation towards +-(d + 1)
//   1 "Exponential": y d / (1 + d - |y|) on y limited to +-L, L = 4 (d + 1) / (d + 4),
//     a curve that steepens towards the limit (output within +-4)
//   2 "Absolute":    y + (|y| - y) c, folding the negative half up by c
// d falls from 1000 (nearly linear) at "Depth" 0 to about 0.001 at 1; c = Depth.
//
// Everything that depends only on the depth is computed when it changes, so
// a sample costs one float division. The exponential curve is written as
// y d / (k + (L - |y|)), k = d (d + 1) / (d + 4) = L - 1 - d: near the limit
// the plain denominator |y| - 1 - d loses all but a few bits to cancellation
// in float (it falls to about 2.5e-4 at full depth); k + (L - |y|) adds two
// non-negative terms and keeps them.
#pragma once

#include <algorithm>
#include <cmath>

namespace synth {

struct shaper_curve {
  float d = 1000.f;             // softness
  float d_plus_1 = 1001.f;
  float limit = 4.f * 1001.f / 1004.f;  // L of the exponential curve
  float k = 1000.f * 1001.f / 1004.f;   // L - 1 - d
  float c = 0.f;                // fold amount of the absolute curve

  // "Depth" x in 0..1: d = 1 / (0.001 + 999.999 (-0.00999999 q / (q - 1.01))), q = min(x^2, 1).
  void set_depth(float x) {
    const float q = std::min(x * x, 1.f);
    d = 1.f / (0.001f + 999.999f * (-0.00999999f * q / (q - 1.01f)));
    d_plus_1 = d + 1.f;
    limit = 4.f * (d + 1.f) / (d + 4.f);
    k = d * (d + 1.f) / (d + 4.f);
    c = std::clamp(x, 0.f, 1.f);
  }

  float logarithmic(float y) const { return y * d_plus_1 / (std::fabs(y) + d); }
  float exponential(float y) const {
    y = std::clamp(y, -limit, limit);
    return y * d / (k + (limit - std::fabs(y)));
  }
  float absolute(float y) const { return y + (std::fabs(y) - y) * c; }

  float process(int mode, float y) const {
    switch (mode) {
      case 0: return logarithmic(y);
      case 1: return exponential(y);
      default: return absolute(y);
    }
  }
};

}  // namespace synth
