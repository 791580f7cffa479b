// The steady LFO shapes ("Ramp", "Sine") over a run of ticks, eight ticks
// to a register: the phase moves by a fixed increment and nothing else changes
// (no noise, no delay, no rate change), so every tick's value is a function
// of its phase alone and the ticks need not wait on one another.
#pragma once

#include <cstdint>

namespace synth::lfo_steady {

// What the ticks read: the phase before the first tick, the increment, the
// width threshold, the ramp slopes (Q8) and the bias offset (0: none).
struct run {
  uint32_t phase;
  uint32_t increment;
  uint32_t width;
  uint32_t k1, k2;
  int32_t bias_offset;
  bool sine;  // else the ramp
};

namespace detail {
// out[i] = the value of tick i + 1 (phase + (i + 1) * increment), with the
// bias, for i in 0..n-1: the numbers lfo::tick() gives. Only on a CPU with
// AVX2 (and a build with the kernel).
void steady_avx2(const run& r, int32_t* out, int n);
}  // namespace detail

}  // namespace synth::lfo_steady
