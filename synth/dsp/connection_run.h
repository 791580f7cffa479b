// Modulation connections in fixed point: one source scaled by a depth (Q31)
// into a destination, a sample at a time or over a run of samples.
#pragma once

#include <algorithm>
#include <cstdint>

namespace synth::modulation {

constexpr int32_t q31_max = 0x7FFFFFFF;

inline int32_t saturate32(int64_t v) { return int32_t(std::clamp<int64_t>(v, -int64_t(q31_max), q31_max)); }

// The destination's value after a source at a depth (Q31). Kind 0 adds
// source * depth; kind 1 is the bipolar multiply, the LFO (+-0.5 in Q31)
// scaling the destination between 1 and 1 - |depth|.
inline int32_t connect(int32_t dest, int64_t src, int64_t depth, int32_t kind) {
  if (kind == 0) return saturate32(dest + ((src * depth) >> 31));
  const int64_t one = int64_t(1) << 31, half = int64_t(1) << 30;
  const int64_t s = depth >= 0 ? src + half : half - src;
  const int64_t factor = (((s - one) * (depth >= 0 ? depth : -depth)) >> 31) + one;
  return saturate32((int64_t(dest) * factor) >> 31);
}

// How a run reads its source: as it is, or an envelope brought down from
// Q31 to the 16-bit range of the pitch-like destinations (src >> 15, floor).
enum class source_scale { as_is, env15 };

// dest[i] = connect(dest[i], scaled src[i], depth, 0) for i in 0..n-1: the
// additive connection over a run, with the same numbers. Picks the AVX2
// kernel where the filter lanes run theirs (svf_lanes::active_kernel()).
void add_run(int32_t* dest, const int32_t* src, source_scale scale, int32_t depth, int n);

// dest[i] = connect(base, scaled src[i], depth, 0): add_run onto a
// destination that holds `base` at every sample, without the pass that
// would fill it first.
void add_run_onto(int32_t* dest, int32_t base, const int32_t* src, source_scale scale, int32_t depth, int n);

namespace detail {
void add_run_scalar(int32_t* dest, const int32_t* src, source_scale scale, int32_t depth, int n);
void add_run_onto_scalar(int32_t* dest, int32_t base, const int32_t* src, source_scale scale, int32_t depth, int n);
// Only on a CPU with AVX2 (and a build with the kernel).
void add_run_avx2(int32_t* dest, const int32_t* src, source_scale scale, int32_t depth, int n);
void add_run_onto_avx2(int32_t* dest, int32_t base, const int32_t* src, source_scale scale, int32_t depth, int n);
}  // namespace detail

}  // namespace synth::modulation
