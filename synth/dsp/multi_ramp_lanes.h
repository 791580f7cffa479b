// The ramps of one multi-ramp oscillator over a chunk of samples, side by
// side in SIMD lanes: four to an SSE2 register (the baseline) or eight to an
// AVX2 one, picked with the filter lanes' kernel (svf_lanes::active_kernel).
// Every lane does a ramp's arithmetic exactly as the sample-by-sample
// multi-ramp does (compensated phase step, one wrap at most, the value with
// its mean correction), and the values are summed in ramp order: both
// kernels give the same numbers, bit for bit, as that loop.
//
// The caller keeps what needs the ring of band-limit corrections: for every
// sample the kernel reports which ramps wrapped and how far past the level
// each one got; the wrap's sub-sample time is that distance over the ramp's
// step (ratio * increment).
//
// Valid only where no ramp can wrap twice in a sample: |ratio * increment|
// below 1 for every live ramp and sample.
#pragma once

#include <cstdint>

namespace synth::multi_ramp_lanes {

constexpr int32_t max_ramps = 16;
constexpr int32_t chunk = 64;  // samples per run at most; a multiple of eight

struct chunk_io {
  float* phase;            // [max_ramps] ramp phases in [0, 1); the first `count` advanced
  float* lost;             // [max_ramps] their compensation terms (add_increment)
  const float* ratio;      // [max_ramps] step of each ramp per unit of increment
  const float* increment;  // [n] the oscillator's increment at each sample, already limited
  float mean_correction;   // 2 * minblep.integral: a ramp's value is 2 q - 1 - step * this
  int32_t count;           // live ramps, 1..max_ramps; the others are left as they are
  int32_t n;               // samples, 1..chunk
  float* sums;             // [chunk] out: sample i's ramp values summed in ramp order
  uint32_t* wraps;         // [n] out: bit k set when ramp k wrapped during sample i
  float (*past)[max_ramps];  // [n] out: for a wrapped ramp, the phase past the level
                             // it crossed (q - 1 rising, q falling, before the wrap)
  bool steady = false;       // every increment[i] is increment[0]: rising looks at that one
};

// One chunk with the active kernel. No allocation, no locks.
void run(const chunk_io& io);

// Two oscillators' chunks of the same length (a.n == b.n), each with the
// numbers run gives it. Where both are steady and rise, in one pass: a
// ramp's phase step is a chain of four dependent additions, and each
// oscillator's chains then fill the other's waits; the steps and their mean
// corrections are made once for the chunk.
void run_pair(const chunk_io& a, const chunk_io& b);

// True when every live ramp steps upwards at every sample of the chunk
// (ratio * increment > 0; steps below 2^-120 may be missed): the kernels
// then test level 1 alone.
bool rising(const chunk_io& io);

namespace detail {
void run_sse2(const chunk_io& io, bool rising);
// Only on a CPU with AVX2 (and a build with the kernel).
void run_avx2(const chunk_io& io, bool rising);
// Both steady and rising (see run_pair).
void run_pair_sse2(const chunk_io& a, const chunk_io& b);
void run_pair_avx2(const chunk_io& a, const chunk_io& b);
}  // namespace detail

}  // namespace synth::multi_ramp_lanes
