// The step ring of a multi-ramp chunk laid out in time: slot i + k is what
// the ring pops k samples after sample i. Every slot of a correction_ring
// beyond its pending count holds 0 (an insertion writes its taps from the
// next slot and raises the count to cover them), so the ring unrolls into the
// first slots and zeros; each slot then sums the same contributions in the
// same order as the ring's, and the pops follow the ring's count and held
// value. The ring ends bit for bit as insert_correction and pop leave it.
//
// The wraps' corrections go in with the active lane kernel: the SSE2 one adds
// a correction's taps to the aligned groups of four slots that hold them, the
// AVX2 one to aligned groups of eight. A slot adds +0 outside the taps (a slot
// sums from +0 and is never -0, so that leaves it as it is), and the next
// insertion's loads meet whole stores of this one, which the CPU forwards.
#pragma once

#include <cstdint>

#include "synth/dsp/band_limit_table.h"
#include "synth/dsp/correction_ring.h"
#include "synth/dsp/multi_ramp_lanes.h"

namespace synth {

// minblep by phase: row j holds every tap's entry at phase j (data[k *
// phases + j]), rise j what each one gains from phase j to j + 1 (the
// interpolation's right-hand points, the last one in the table's guard, less
// the left-hand ones, rounded as the insertion rounds it): an insertion reads
// two rows side by side instead of two strided columns, and subtracts
// nothing.
struct blep_rise_rows {
  alignas(32) float row[blep_phases][blep_taps];
  alignas(32) float rise[blep_phases][blep_taps];
};
extern const blep_rise_rows minblep_rise_rows;

// What the ramps' kernel reported for a chunk (see multi_ramp_lanes::chunk_io).
struct chunk_wraps {
  const uint32_t* wraps;                               // [n] bit k: ramp k wrapped in sample i
  const float (*past)[multi_ramp_lanes::max_ramps];    // [n] phase past the level crossed
  const float* ratio;                                  // [max_ramps] each ramp's ratio
  const float* increment;                              // [n] the oscillator's increment
  int32_t n;                                           // samples, 1..chunk
};

class step_span {
 public:
  static constexpr int32_t chunk = multi_ramp_lanes::chunk;
  static constexpr int32_t slots = chunk + correction_ring::size;
  static constexpr int32_t lead = 8;  // slot 0 at store[lead], 32-byte aligned; store[lead - 1] the held value

  explicit step_span(const correction_ring& ring);

  // Every wrap's correction, sample by sample and in ramp order, as
  // wrap_ramp inserts them: a rising ramp passed level 1 (q - 1) / d samples
  // before the end of its sample, a falling one level 0 q / d samples; the
  // jump is -2 d / |d|.
  void insert_wraps(const chunk_wraps& w);

  // correction_ring::pop at each of n samples, once every insertion of the
  // chunk is in: an insertion at sample i writes slots i on, so slot i is
  // final after sample i's; a sample with wraps makes the ring pending for
  // blep_taps pops from its own.
  void pop_all(const uint32_t* wraps, float* step, int32_t n);

  // Back into the ring after n samples: the next slots from index 0.
  void store(correction_ring& ring, int32_t n) const;

  float* slot() { return store_ + lead; }
  const float* slot() const { return store_ + lead; }

 private:
  int32_t pending_;
  float current_;
  alignas(32) float store_[lead + slots];
};

namespace step_span_kernels {
// The samples with wraps, in order, into wrapped; their count. Without a
// branch: whether a sample has wraps is as good as random.
int32_t wrapped_samples(const uint32_t* wraps, int32_t n, int32_t* wrapped);
// insert_wraps with four slots to a register.
void insert_sse2(float* slot, const chunk_wraps& w);
// The same with eight; only on a CPU with AVX2 (and a build with the kernel).
void insert_avx2(float* slot, const chunk_wraps& w);
}  // namespace step_span_kernels

}  // namespace synth
