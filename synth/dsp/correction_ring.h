// Short ring of pending band-limit corrections. A discontinuity adds a
// residual over the next `blep_taps` samples; the owner pops one slot per
// output sample.
#pragma once

#include <cmath>
#include <cstdint>

#include "synth/dsp/band_limit_table.h"

namespace synth {

struct correction_ring {
  static constexpr int32_t size = 16;  // >= blep_taps, a power of two
  static constexpr int32_t mask = size - 1;
  static_assert(size >= blep_taps && (size & mask) == 0);

  int32_t index = 0;    // slot to be read next
  int32_t pending = 0;  // samples for which slots still hold contributions
  float current = 0.f;  // value popped for the current sample, kept while idle
  float slots[size] = {};

  void reset() {
    index = 0;
    pending = 0;
    current = 0.f;
    for (float& s : slots) s = 0.f;
  }

  // The contribution for this sample; clears its slot for reuse.
  float pop() {
    if (pending > 0) {
      --pending;
      current = slots[index];
      slots[index] = 0.f;
      index = (index + 1) & mask;
    }
    return current;
  }

  // What n calls of pop() return (n <= size), into out, the same way.
  void pop_into(float* out, int32_t n) {
    const int32_t popped = n < pending ? n : pending;
    for (int32_t k = 0; k < popped; ++k) {
      float& slot = slots[(index + k) & mask];
      out[k] = slot;
      slot = 0.f;
    }
    if (popped > 0) {
      current = out[popped - 1];
      index = (index + popped) & mask;
      pending -= popped;
    }
    for (int32_t k = popped; k < n; ++k) out[k] = current;
  }
};

// Adds amplitude * residual for a discontinuity t samples before the end of
// the current sample (0 <= t < 1; values outside are held to that range).
// Tap 0 lands in the slot popped for the current sample.
// Where a discontinuity t samples back falls in a table of `phases` phases:
// the phase row i below it and the fraction f towards row i + 1, t held to
// 0 <= t < 1 (NaN reads as 0). Every insertion form takes its row this way.
struct table_position {
  int32_t row;
  float fraction;
};
inline table_position position_in_table(int32_t phases, float t) {
  float x = float(phases) * t;
  if (!(x > 0.f)) x = 0.f;  // also catches NaN
  int32_t i = int32_t(x);
  if (i > phases - 1) i = phases - 1;
  float f = x - float(i);
  if (f > 1.f) f = 1.f;
  return {i, f};
}

inline void insert_correction(correction_ring& ring, const band_limit_table& table, float t, float amplitude) {
  const table_position at = position_in_table(table.phases, t);
  const float f = at.fraction;
  const float* d = table.data + at.row;
  for (int32_t k = 0; k < table.taps; ++k, d += table.phases)
    ring.slots[(ring.index + k) & correction_ring::mask] += (d[0] + (d[1] - d[0]) * f) * amplitude;
  if (ring.pending < table.taps) ring.pending = table.taps;
}

// The output stage shared by the oscillator and the PCM player: the slope
// correction acts on the previous sample's step-corrected value, so tap 0 of
// minblamp lands one sample before the slope change.
struct output_stage {
  correction_ring step;   // fed from minblep
  correction_ring slope;  // fed from minblamp
  float delayed = 0.f;    // previous sample's naive value plus its step correction

  void reset() {
    step.reset();
    slope.reset();
    delayed = 0.f;
  }
  float process(float naive) {
    float out = slope.pop() + delayed;
    delayed = naive + step.pop();
    return out;
  }
};

}  // namespace synth
