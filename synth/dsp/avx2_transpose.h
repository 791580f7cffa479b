// The 8 x 8 transpose of 32-bit elements, for the AVX2 kernel files alone
// (each compiled with -mavx2, see CMakeLists.txt). Internal linkage, as in
// avx2_int64.h: every kernel file gets its own copy.
#pragma once

#if defined(__AVX2__)

#include <immintrin.h>

namespace synth::avx2 {

// Eight rows to eight columns: r[j] holds element l of row j in lane l
// before, element j of row l in lane j after. Its own inverse.
static inline void transpose8x8_epi32(__m256i (&r)[8]) {
  __m256i t[8], u[8];
  for (int j = 0; j < 8; j += 2) {
    t[j] = _mm256_unpacklo_epi32(r[j], r[j + 1]);
    t[j + 1] = _mm256_unpackhi_epi32(r[j], r[j + 1]);
  }
  for (int j = 0; j < 8; j += 4) {
    u[j] = _mm256_unpacklo_epi64(t[j], t[j + 2]);
    u[j + 1] = _mm256_unpackhi_epi64(t[j], t[j + 2]);
    u[j + 2] = _mm256_unpacklo_epi64(t[j + 1], t[j + 3]);
    u[j + 3] = _mm256_unpackhi_epi64(t[j + 1], t[j + 3]);
  }
  for (int j = 0; j < 4; ++j) {
    r[j] = _mm256_permute2x128_si256(u[j], u[j + 4], 0x20);
    r[j + 4] = _mm256_permute2x128_si256(u[j], u[j + 4], 0x31);
  }
}

}  // namespace synth::avx2

#endif  // __AVX2__
