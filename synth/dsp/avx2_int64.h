// 64-bit integer steps AVX2 lacks, for the AVX2 kernel files alone (each
// compiled with -mavx2, see CMakeLists.txt). The functions have internal
// linkage: every kernel file gets its own copy, so no AVX2 code can stand in
// for a function of the baseline build at link time.
#pragma once

#if defined(__AVX2__)

#include <immintrin.h>

#include <cstdint>

namespace synth::avx2 {

// Floor division by 2^k (an arithmetic shift of each 64-bit lane). v + 2^63
// (the sign bit flipped) is non-negative as an unsigned value, so its
// logical shift is the floor of (v + 2^63) / 2^k = floor(v / 2^k) +
// 2^(63 - k). Three single-cycle steps, where filling in the sign after a
// compare takes five.
template <int k>
static inline __m256i sra(__m256i v) {
  const __m256i top = _mm256_set1_epi64x(INT64_MIN);
  return _mm256_sub_epi64(_mm256_srli_epi64(_mm256_xor_si256(v, top), k), _mm256_set1_epi64x(int64_t(1) << (63 - k)));
}

// v * f for any 64-bit v and f in [0, 2^31): the unsigned low word times f
// plus the signed high word times f, shifted up. Exact (mod 2^64, and so
// wherever the scalar product fits 64 bits).
static inline __m256i mul_wide(__m256i v, __m256i f) {
  const __m256i lo = _mm256_mul_epu32(v, f);
  const __m256i hi = _mm256_mul_epi32(_mm256_srli_epi64(v, 32), f);
  return _mm256_add_epi64(lo, _mm256_slli_epi64(hi, 32));
}

}  // namespace synth::avx2

#endif  // __AVX2__
