// The steady LFO shapes, eight ticks at once in 32-bit lanes. The ramp's
// products u * k (u a 16-bit position, k a Q8 slope below 2^31) need up to
// 47 bits; they are taken as u * k_high * 2^16 + u * k_low with k = k_high
// 2^16 + k_low, so that (u * k) >> 15 = 2 (u * k_high) + ((u * k_low) >> 15)
// exactly (the first term is a multiple of 2^15). Both lie below 2^32. The
// high product is capped at 2^16, so the sums stay below 2^18: a capped
// value is the exact one where that lies below 2^17 (the high product is
// below 2^16 there) and at least 2^17 elsewhere, so the lesser of the two
// capped values is the exact least wherever that lies below 2^17, and at
// least 2^17 where it does not; the ramp's clamp takes every value from 2^16
// on to -out_max alike.
// The sine's parabola ((t * 2^15) * (0xFFFF - |t|)) >> 30 is (t * (0xFFFF -
// |t|)) >> 15, whose product is below 2^30 in magnitude (|t| <= 0x7FFF). So
// every tick gives lfo::tick()'s number bit for bit. This file alone is
// compiled with -mavx2 and runs only after CPU detection has found AVX2; it
// calls only intrinsics and functions of internal linkage (an inline
// function of a shared header emitted here would carry AVX2 instructions,
// and the linker might keep that copy for every caller): it takes constants
// from lfo.h, none of its functions.
#include "synth/dsp/lfo_steady.h"

#if defined(__AVX2__)

#include <immintrin.h>

#include "synth/dsp/lfo.h"

namespace synth::lfo_steady {

namespace {

constexpr int32_t out_max = lfo::out_max;
constexpr int32_t lanes = 8;

// A slope split into its 16-bit halves, each in every lane.
struct slope8 {
  __m256i high, low;
};

static inline slope8 split(uint32_t k) {
  return {_mm256_set1_epi32(int32_t(k >> 16)), _mm256_set1_epi32(int32_t(k & 0xFFFF))};
}

// (u * k) >> 15 for u < 2^16, capped where it reaches 2^17 (see above).
static inline __m256i scaled_slope(__m256i u, const slope8& k) {
  const __m256i high = _mm256_min_epu32(_mm256_mullo_epi32(u, k.high), _mm256_set1_epi32(1 << 16));
  const __m256i low = _mm256_srli_epi32(_mm256_mullo_epi32(u, k.low), 15);
  return _mm256_add_epi32(_mm256_slli_epi32(high, 1), low);
}

// The ramp at eight phases: 0x8000 - (min(u k2, (0xFFFF - u) k1) >> 15),
// clamped to +-out_max, u = (p - width) >> 16.
static inline __m256i ramp8(__m256i phase, __m256i width, const slope8& k1, const slope8& k2) {
  const __m256i u = _mm256_srli_epi32(_mm256_sub_epi32(phase, width), 16);
  const __m256i fall = scaled_slope(u, k2);
  const __m256i rise = scaled_slope(_mm256_sub_epi32(_mm256_set1_epi32(0xFFFF), u), k1);
  const __m256i v = _mm256_sub_epi32(_mm256_set1_epi32(0x8000), _mm256_min_epu32(fall, rise));
  return _mm256_max_epi32(_mm256_min_epi32(v, _mm256_set1_epi32(out_max)), _mm256_set1_epi32(-out_max));
}

// The parabola over the ramp t: (t * (0xFFFF - |t|)) >> 15.
static inline __m256i parabola8(__m256i t) {
  const __m256i rest = _mm256_sub_epi32(_mm256_set1_epi32(0xFFFF), _mm256_abs_epi32(t));
  return _mm256_srai_epi32(_mm256_mullo_epi32(t, rest), 15);
}

template <bool sine, bool biased>
static void steady(const run& r, int32_t* out, int n) {
  const slope8 k1 = split(r.k1), k2 = split(r.k2);
  const __m256i width = _mm256_set1_epi32(int32_t(r.width)), bias = _mm256_set1_epi32(r.bias_offset);
  const uint32_t inc = r.increment;
  // Phases wrap as uint32 does: the int32 additions below wrap the same way.
  __m256i phase = _mm256_add_epi32(
      _mm256_set1_epi32(int32_t(r.phase)),
      _mm256_mullo_epi32(_mm256_set1_epi32(int32_t(inc)), _mm256_setr_epi32(1, 2, 3, 4, 5, 6, 7, 8)));
  const __m256i step = _mm256_set1_epi32(int32_t(inc * uint32_t(lanes)));
  const auto values = [&] {
    __m256i v = ramp8(phase, width, k1, k2);
    if constexpr (sine) v = parabola8(v);
    if constexpr (biased) v = _mm256_srai_epi32(_mm256_add_epi32(v, bias), 1);
    return v;
  };
  int i = 0;
  for (; i + lanes <= n; i += lanes) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), values());
    phase = _mm256_add_epi32(phase, step);
  }
  if (i < n) {  // the last one to seven ticks: a full register, the rest dropped
    alignas(32) int32_t tail[lanes];
    _mm256_store_si256(reinterpret_cast<__m256i*>(tail), values());
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
