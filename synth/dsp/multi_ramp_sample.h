// One sample of a multi-ramp oscillator's ramps, eight to an AVX2 register:
// the single-sample step a voice takes when each sample's increment depends
// on the last (cross-modulation). Every lane does what the oscillator's own
// SSE2 step does to a ramp, with the same float operations in the same
// order: the compensated phase step, the wrap test, a wrap's sub-sample
// time and its minblep correction added to the step ring's slots (ramp
// after ramp), and the ramp's value; the values are summed in ramp order.
//
// It takes the common case alone: when some live ramp crossed two levels
// this sample (a step of a cycle or more) it changes nothing and says so,
// and the caller's general step runs instead.
#pragma once

#include <cstdint>

#include "synth/dsp/correction_rows.h"

namespace synth::multi_ramp_sample {

constexpr int32_t max_ramps = 16;

struct sample_io {
  float* phase;           // [max_ramps] the ramps' phases; the first `count` advanced
  float* lost;            // [max_ramps] their compensation terms (add_increment)
  const float* ratio;     // [max_ramps] step of each ramp per unit of increment
  float mean_correction;  // 2 * minblep.integral: a ramp's value is 2 q - 1 - step * this
  int32_t count;          // live ramps, 1..max_ramps
  float* slots;           // [correction_ring::size] the step ring's slots
  int32_t at;             // the ring's read index: tap 0 lands in slots[at]
  const correction_rows* rows;  // minblep by phase
};

struct sample_outcome {
  bool done;     // false: some ramp crossed two levels, nothing changed
  bool wrapped;  // some ramp wrapped: the ring holds new corrections
};

// The sample at `increment` (the oscillator's, already limited): the ramps'
// values summed in ramp order, from +0. The sum and the increment travel in
// registers: under cross-modulation each sample waits for the last one's.
// Only on a CPU with AVX2 (and a build with the kernel). No allocation, no
// locks.
float step_avx2(const sample_io& io, float increment, sample_outcome& outcome);

}  // namespace synth::multi_ramp_sample
