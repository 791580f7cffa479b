// A tilt tone control: a one-pole split at 800 Hz, the lows kept by
// min(1, 2 (1 - v)) and the highs by min(1, 2 v): flat at 0.5, the lowpass
// alone at 0 and the highpass alone at 1, with no boost anywhere.
#pragma once

#include "synth/dsp/one_pole.h"

namespace fx {

constexpr float tilt_split_hz = 800.f;

struct tilt_gains {
  float low = 1.f, high = 1.f;
  void set(float v) {
    low = 2.f * (1.f - v) < 1.f ? 2.f * (1.f - v) : 1.f;
    high = 2.f * v < 1.f ? 2.f * v : 1.f;
  }
};

struct tilt_filter {
  float s = 0.f;
  float run(float x, const synth::one_pole_coefficient& c, float low, float high) {
    const float lp = (c.g * x + s) * c.k;
    s = (x - lp) * c.g + lp;
    return lp * low + (x - lp) * high;
  }
};

}  // namespace fx
