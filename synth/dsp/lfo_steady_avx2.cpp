// The steady LFO shapes, four ticks at once. The ramp's two products (a
// 16-bit position times a slope below 2^32) and their minimum are taken in
// 64-bit lanes; the sine's parabola multiplies t * 2^15 (an int32, |t| <=
// 0x7FFF) by 0xFFFF - |t| in 64-bit lanes and shifts by 30 with the floor,
// the scalar arithmetic step for step. This file alone is compiled with
// -mavx2 and runs only after CPU detection has found AVX2; it calls only
// intrinsics and functions of internal linkage (an inline function of a
// shared header emitted here would carry AVX2 instructions, and the linker
// might keep that copy for every caller): it takes constants from lfo.h,
// none of its functions.
#include "synth/dsp/lfo_steady.h"

#if defined(__AVX2__)

#include <immintrin.h>

#include "synth/dsp/avx2_int64.h"
#include "synth/dsp/lfo.h"

namespace synth::lfo_steady {

namespace {

constexpr int32_t out_max = lfo::out_max;

// The low words of four 64-bit lanes, in order.
static inline __m128i low_words(__m256i v) {
  return _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6)));
}

// The ramp at four phases: 0x8000 - (min(u k2, (0xFFFF - u) k1) >> 15),
// clamped to +-out_max, u = (p - width) >> 16.
static inline __m128i ramp4(__m128i phase, __m128i width, __m256i k1, __m256i k2) {
  const __m128i u = _mm_srli_epi32(_mm_sub_epi32(phase, width), 16);
  const __m256i u64 = _mm256_cvtepu32_epi64(u);
  const __m256i fall = _mm256_mul_epu32(u64, k2);
  const __m256i rise = _mm256_mul_epu32(_mm256_sub_epi64(_mm256_set1_epi64x(0xFFFF), u64), k1);
  // Both below 2^48: the signed compare orders them.
  const __m256i least = _mm256_blendv_epi8(fall, rise, _mm256_cmpgt_epi64(fall, rise));
  __m256i v = _mm256_sub_epi64(_mm256_set1_epi64x(0x8000), _mm256_srli_epi64(least, 15));
  const __m256i high = _mm256_set1_epi64x(out_max), low = _mm256_set1_epi64x(-out_max);
  v = _mm256_blendv_epi8(v, high, _mm256_cmpgt_epi64(v, high));
  v = _mm256_blendv_epi8(v, low, _mm256_cmpgt_epi64(low, v));
  return low_words(v);
}

// The parabola over the ramp t: ((t * 2^15) * (0xFFFF - |t|)) >> 30.
static inline __m128i parabola4(__m128i t) {
  const __m256i scaled = _mm256_cvtepi32_epi64(_mm_slli_epi32(t, 15));
  const __m256i rest = _mm256_cvtepi32_epi64(_mm_sub_epi32(_mm_set1_epi32(0xFFFF), _mm_abs_epi32(t)));
  return low_words(avx2::sra<30>(_mm256_mul_epi32(scaled, rest)));
}

template <bool sine, bool biased>
static void steady(const run& r, int32_t* out, int n) {
  const __m256i k1 = _mm256_set1_epi64x(r.k1), k2 = _mm256_set1_epi64x(r.k2);
  const __m128i width = _mm_set1_epi32(int32_t(r.width)), bias = _mm_set1_epi32(r.bias_offset);
  const int32_t inc = int32_t(r.increment);
  // Phases wrap as uint32 does: the int32 additions below wrap the same way.
  __m128i phase = _mm_add_epi32(_mm_set1_epi32(int32_t(r.phase)), _mm_setr_epi32(inc, 2 * inc, 3 * inc, 4 * inc));
  const __m128i step = _mm_set1_epi32(int32_t(uint32_t(inc) * 4u));
  const auto values = [&] {
    __m128i v = ramp4(phase, width, k1, k2);
    if constexpr (sine) v = parabola4(v);
    if constexpr (biased) v = _mm_srai_epi32(_mm_add_epi32(v, bias), 1);
    return v;
  };
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), values());
    phase = _mm_add_epi32(phase, step);
  }
  if (i < n) {  // the last one to three ticks: a full register, the rest dropped
    alignas(16) int32_t tail[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(tail), values());
    for (int k = 0; i < n; ++i, ++k) out[i] = tail[k];
  }
}

}  // namespace

void detail::steady_avx2(const run& r, int32_t* out, int n) {
  if (n <= 0) return;
  const bool biased = r.bias_offset != 0;
  if (r.sine) {
    biased ? steady<true, true>(r, out, n) : steady<true, false>(r, out, n);
  } else {
    biased ? steady<false, true>(r, out, n) : steady<false, false>(r, out, n);
  }
}

}  // namespace synth::lfo_steady

#endif  // __AVX2__
