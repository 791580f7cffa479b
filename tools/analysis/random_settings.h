// Random effect settings for the robustness test and the effect nulls: a
// small seeded generator and a value anywhere in a parameter's range, its
// ends picked half the time (the ends are where effects misbehave).
#pragma once

#include <cmath>
#include <cstdint>

#include "fx/effect.h"

namespace analysis {

// xorshift32: the same sequence on every platform for a given seed (not 0).
struct random_source {
  uint32_t x;
  uint32_t next() {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x;
  }
  // [0, 1) from the top 24 bits.
  float unit() { return float(next() >> 8) * (1.f / 16777216.f); }
};

// Parameter d's minimum, its maximum, or anything between; whole for an
// integer parameter.
inline float random_value(const fx::param_desc& d, random_source& r) {
  const uint32_t pick = r.next() % 4;
  const float v = pick == 0 ? d.min : (pick == 1 ? d.max : d.min + (d.max - d.min) * r.unit());
  return d.integer ? std::round(v) : v;
}

}  // namespace analysis
