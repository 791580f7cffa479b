// The additive connection over a run, four samples to a register in 64-bit
// lanes: the source (an int32, or an envelope >> 15) times the depth (an
// int32) is exact in _mm256_mul_epi32; the floor shift by 31 comes from
// avx2::sra; the sum with the destination fits 64 bits and is clamped to
// +-q31_max as saturate32 does. This file alone is compiled with -mavx2 and
// runs only after CPU detection has found AVX2; like the filter lanes' kernel
// it calls no inline function of a shared header (a copy emitted here would
// carry AVX2 instructions and might be the one the linker keeps).
#include "synth/dsp/connection_run.h"

#if defined(__AVX2__)

#include <immintrin.h>

#include "synth/dsp/avx2_int64.h"

namespace synth::modulation {

namespace {

// Four samples: dest + ((s * depth) >> 31), clamped.
template <bool env15>
static inline __m128i add4(__m128i dest, __m128i src, __m256i depth) {
  if constexpr (env15) src = _mm_srai_epi32(src, 15);
  const __m256i product = avx2::sra<31>(_mm256_mul_epi32(_mm256_cvtepi32_epi64(src), depth));
  __m256i sum = _mm256_add_epi64(_mm256_cvtepi32_epi64(dest), product);
  const __m256i high = _mm256_set1_epi64x(q31_max), low = _mm256_set1_epi64x(-int64_t(q31_max));
  sum = _mm256_blendv_epi8(sum, high, _mm256_cmpgt_epi64(sum, high));
  sum = _mm256_blendv_epi8(sum, low, _mm256_cmpgt_epi64(low, sum));
  // The low words of the four lanes, in order.
  const __m256i packed = _mm256_permutevar8x32_epi32(sum, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6));
  return _mm256_castsi256_si128(packed);
}

template <bool env15>
static void run(int32_t* dest, const int32_t* src, int32_t depth, int n) {
  const __m256i d = _mm256_set1_epi64x(depth);
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128i* at = reinterpret_cast<__m128i*>(dest + i);
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    _mm_storeu_si128(at, add4<env15>(_mm_loadu_si128(at), s, d));
  }
  // The last one to three samples: the baseline build's loop (out of line,
  // so no AVX2 copy of it is made here).
  if (i < n) detail::add_run_scalar(dest + i, src + i, env15 ? source_scale::env15 : source_scale::as_is, depth, n - i);
}

}  // namespace

void detail::add_run_avx2(int32_t* dest, const int32_t* src, source_scale scale, int32_t depth, int n) {
  if (scale == source_scale::env15) {
    run<true>(dest, src, depth, n);
  } else {
    run<false>(dest, src, depth, n);
  }
}

}  // namespace synth::modulation

#else

namespace synth::modulation {
// Never called without AVX2 (active_kernel() is scalar then).
void detail::add_run_avx2(int32_t* dest, const int32_t* src, source_scale scale, int32_t depth, int n) {
  add_run_scalar(dest, src, scale, depth, n);
}
}  // namespace synth::modulation

#endif
