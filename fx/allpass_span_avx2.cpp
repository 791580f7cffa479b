// The allpass block kernel (compiled with -mavx2 alone: no fused
// multiply-add). It runs only after CPU detection has found AVX2 and calls
// only intrinsics.
#include "fx/allpass_span.h"

#if defined(__AVX2__)

#include <immintrin.h>

namespace fx {

int allpass_span_avx2(float* buf, int size, int& pos, float* x, int n, float g) {
  const __m256 gv = _mm256_set1_ps(g);
  int i = 0, at = pos;
  while (i + 8 <= n && at + 8 <= size) {
    // w = x + g d, stored; y = d - g w.
    const __m256 d = _mm256_loadu_ps(buf + at);
    const __m256 w = _mm256_add_ps(_mm256_loadu_ps(x + i), _mm256_mul_ps(gv, d));
    _mm256_storeu_ps(buf + at, w);
    _mm256_storeu_ps(x + i, _mm256_sub_ps(d, _mm256_mul_ps(gv, w)));
    at += 8;
    if (at == size) at = 0;
    i += 8;
  }
  pos = at;
  return i;
}

}  // namespace fx

#endif
