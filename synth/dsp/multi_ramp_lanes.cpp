// The SSE2 kernel: four ramps to a register, the phases and compensation
// terms of a chunk held in registers from the first sample to the last.
// Where the CPU has AVX2 the eight-lane kernel runs instead; both do the same
// operations in the same order on every ramp.
#include "synth/dsp/multi_ramp_lanes.h"

#if defined(__SSE2__)

#include <emmintrin.h>
#include <xmmintrin.h>

#include "synth/dsp/sse2_ops.h"
#include "synth/dsp/svf_lanes.h"

namespace synth::multi_ramp_lanes {

namespace {

constexpr int32_t lanes = 4;

uint32_t live_bits(int32_t count) { return count >= 32 ? ~0u : (1u << count) - 1u; }

// Lanes of the ramps below `count` in group g, all ones; the rest zero.
__m128 live_mask(int32_t count, int32_t g) {
  const int32_t left = count - g * lanes;
  return _mm_castsi128_ps(_mm_set_epi32(left > 3 ? -1 : 0, left > 2 ? -1 : 0, left > 1 ? -1 : 0, left > 0 ? -1 : 0));
}

// Pass 1 with G groups of four: every ramp's phase, wrap and value at every
// sample. A dead lane steps by 0 and is never stored back nor reported.
template <int32_t G>
void ramps(const chunk_io& io, float (*values)[max_ramps]) {
  __m128 q[G], lost[G], ratio[G];
  for (int32_t g = 0; g < G; ++g) {
    ratio[g] = _mm_and_ps(_mm_loadu_ps(io.ratio + g * lanes), live_mask(io.count, g));
    q[g] = _mm_loadu_ps(io.phase + g * lanes);
    lost[g] = _mm_loadu_ps(io.lost + g * lanes);
  }
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.f), mean = _mm_set1_ps(io.mean_correction);
  const uint32_t live = live_bits(io.count);
  for (int32_t i = 0; i < io.n; ++i) {
    const __m128 inc = _mm_set1_ps(io.increment[i]);
    uint32_t wrapped = 0;
    for (int32_t g = 0; g < G; ++g) {
      // add_increment, then the wrap: up passed level 1, down level 0.
      const __m128 d = _mm_mul_ps(ratio[g], inc);
      const __m128 y = _mm_sub_ps(d, lost[g]);
      const __m128 sum = _mm_add_ps(q[g], y);
      lost[g] = _mm_sub_ps(_mm_sub_ps(sum, q[g]), y);
      const __m128 up = _mm_and_ps(_mm_cmpgt_ps(d, zero), _mm_cmpge_ps(sum, one));
      const __m128 down = _mm_and_ps(_mm_cmplt_ps(d, zero), _mm_cmplt_ps(sum, zero));
      const __m128 below = _mm_sub_ps(sum, one);
      _mm_storeu_ps(io.past[i] + g * lanes, sse2::select_ps(up, below, sum));
      const __m128 p = sse2::select_ps(up, below, sse2::select_ps(down, _mm_add_ps(sum, one), sum));
      q[g] = p;
      // (2 q - 1) - d * mean correction; 2 q is exact as q + q.
      _mm_store_ps(values[i] + g * lanes, _mm_sub_ps(_mm_sub_ps(_mm_add_ps(p, p), one), _mm_mul_ps(d, mean)));
      wrapped |= uint32_t(_mm_movemask_ps(_mm_or_ps(up, down))) << (g * lanes);
    }
    io.wraps[i] = wrapped & live;
  }
  alignas(16) float phase[G * lanes], rest[G * lanes];
  for (int32_t g = 0; g < G; ++g) {
    _mm_store_ps(phase + g * lanes, q[g]);
    _mm_store_ps(rest + g * lanes, lost[g]);
  }
  for (int32_t k = 0; k < io.count; ++k) {
    io.phase[k] = phase[k];
    io.lost[k] = rest[k];
  }
}

// Pass 2: four samples at a time, the ramps' values turned into columns and
// added in ramp order, as the per-sample loop adds them from 0.
void sums(const chunk_io& io, float (*values)[max_ramps]) {
  const int32_t groups = (io.count + lanes - 1) / lanes;
  for (int32_t i = 0; i < io.n; i += lanes) {
    __m128 column[max_ramps];
    for (int32_t g = 0; g < groups; ++g) {
      __m128 r0 = _mm_load_ps(values[i] + g * lanes), r1 = _mm_load_ps(values[i + 1] + g * lanes);
      __m128 r2 = _mm_load_ps(values[i + 2] + g * lanes), r3 = _mm_load_ps(values[i + 3] + g * lanes);
      _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
      column[g * lanes] = r0, column[g * lanes + 1] = r1, column[g * lanes + 2] = r2, column[g * lanes + 3] = r3;
    }
    __m128 v = _mm_setzero_ps();
    for (int32_t k = 0; k < io.count; ++k) v = _mm_add_ps(v, column[k]);
    _mm_storeu_ps(io.sums + i, v);
  }
}

}  // namespace

void detail::run_sse2(const chunk_io& io) {
  alignas(16) float values[chunk][max_ramps];  // [sample][ramp]
  switch ((io.count + lanes - 1) / lanes) {
    case 1: ramps<1>(io, values); break;
    case 2: ramps<2>(io, values); break;
    case 3: ramps<3>(io, values); break;
    default: ramps<4>(io, values); break;
  }
  // The samples that round the last column up to four: silence.
  for (int32_t i = io.n; i % lanes != 0; ++i)
    for (float& v : values[i]) v = 0.f;
  sums(io, values);
}

void run(const chunk_io& io) {
#if defined(VORN_AVX2_KERNEL)
  if (svf_lanes::active_kernel() == svf_lanes::kernel::avx2) return detail::run_avx2(io);
#endif
  detail::run_sse2(io);
}

}  // namespace synth::multi_ramp_lanes

#endif  // __SSE2__
