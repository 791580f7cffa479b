// The additive connection over a run, eight samples to a register in 32-bit
// lanes (add8), or four in 64-bit lanes (add4) for a depth of INT32_MIN and
// the rest: there the source (an int32, or an envelope >> 15) times the depth
// (an int32) is exact in _mm256_mul_epi32; the floor shift by 31 comes from
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

// Eight samples in 32-bit lanes, for a depth other than INT32_MIN. Then
// |s * depth| <= 2^31 (2^31 - 1), so (s * depth) >> 31 lies within
// +-(2^31 - 1): bits 31..62 of the product are the whole of it. The even
// samples' products take them to their low words, the odd samples' to their
// high words, and one blend packs the eight. dest + that wraps in 32 bits
// only where both have one sign and the wrapped sum the other; the true sum
// then lies past the rail on the side of that sign, and the wrapped sum's
// sign picks q31_max (for a negative one) or INT32_MIN, which the last step,
// the floor at -q31_max, shares with a sum of exactly INT32_MIN.
template <bool env15>
static inline __m256i add8(__m256i dest, __m256i src, __m256i depth) {
  if constexpr (env15) src = _mm256_srai_epi32(src, 15);
  const __m256i even = _mm256_srli_epi64(_mm256_mul_epi32(src, depth), 31);
  const __m256i odd = _mm256_slli_epi64(_mm256_mul_epi32(_mm256_srli_epi64(src, 32), depth), 1);
  const __m256i product = _mm256_blend_epi32(even, odd, 0xAA);
  const __m256i wrapped = _mm256_add_epi32(dest, product);
  const __m256i overflow =
      _mm256_and_si256(_mm256_xor_si256(dest, wrapped), _mm256_xor_si256(product, wrapped));
  const __m256i rail = _mm256_xor_si256(_mm256_srai_epi32(wrapped, 31), _mm256_set1_epi32(INT32_MIN));
  const __m256 picked = _mm256_blendv_ps(_mm256_castsi256_ps(wrapped), _mm256_castsi256_ps(rail),
                                         _mm256_castsi256_ps(overflow));  // by each lane's sign bit
  return _mm256_max_epi32(_mm256_castps_si256(picked), _mm256_set1_epi32(-q31_max));
}

// onto: every sample's destination is `base`, not what dest holds.
template <bool env15, bool onto>
static void run(int32_t* dest, int32_t base, const int32_t* src, int32_t depth, int n) {
  const __m256i d = _mm256_set1_epi64x(depth);
  const __m256i base8 = _mm256_set1_epi32(base);
  int i = 0;
  if (depth != INT32_MIN) {
    for (; i + 8 <= n; i += 8) {
      __m256i* at = reinterpret_cast<__m256i*>(dest + i);
      const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
      _mm256_storeu_si256(at, add8<env15>(onto ? base8 : _mm256_loadu_si256(at), s, d));
    }
  }
  for (; i + 4 <= n; i += 4) {
    __m128i* at = reinterpret_cast<__m128i*>(dest + i);
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    _mm_storeu_si128(at, add4<env15>(onto ? _mm256_castsi256_si128(base8) : _mm_loadu_si128(at), s, d));
  }
  // The last one to three samples: the baseline build's loops (out of line,
  // so no AVX2 copy of them is made here).
  if (i == n) return;
  const source_scale scale = env15 ? source_scale::env15 : source_scale::as_is;
  if (onto) {
    detail::add_run_onto_scalar(dest + i, base, src + i, scale, depth, n - i);
  } else {
    detail::add_run_scalar(dest + i, src + i, scale, depth, n - i);
  }
}

}  // namespace

void detail::add_run_avx2(int32_t* dest, const int32_t* src, source_scale scale, int32_t depth, int n) {
  if (scale == source_scale::env15) {
    run<true, false>(dest, 0, src, depth, n);
  } else {
    run<false, false>(dest, 0, src, depth, n);
  }
}

void detail::add_run_onto_avx2(int32_t* dest, int32_t base, const int32_t* src, source_scale scale, int32_t depth,
                               int n) {
  if (scale == source_scale::env15) {
    run<true, true>(dest, base, src, depth, n);
  } else {
    run<false, true>(dest, base, src, depth, n);
  }
}

}  // namespace synth::modulation

#else

namespace synth::modulation {
// Never called without AVX2 (active_kernel() is scalar then).
void detail::add_run_avx2(int32_t* dest, const int32_t* src, source_scale scale, int32_t depth, int n) {
  add_run_scalar(dest, src, scale, depth, n);
}
void detail::add_run_onto_avx2(int32_t* dest, int32_t base, const int32_t* src, source_scale scale, int32_t depth,
                               int n) {
  add_run_onto_scalar(dest, base, src, scale, depth, n);
}
}  // namespace synth::modulation

#endif
