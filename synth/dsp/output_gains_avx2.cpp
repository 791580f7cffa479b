// The AVX2 kernel: eight ticks to a register, the SSE2 kernel's float
// operations in its order (this file is compiled with -mavx2 alone, so none
// is fused). It runs only after CPU detection has found AVX2 and calls only
// intrinsics; whatever is left past the last eight, the SSE2 kernel takes
// four at a time.
#include "synth/dsp/output_gains.h"

#if defined(__AVX2__)

#include <immintrin.h>

namespace synth::output_gains {

int32_t detail::run_avx2(const gain_run& r) {
  const __m256i centre = _mm256_set1_epi32(r.centre);
  const __m256 scale = _mm256_set1_ps(r.scale), velocity = _mm256_set1_ps(r.velocity);
  const __m256 to_unit = _mm256_set1_ps(r.to_unit);
  const __m256 unison_left = _mm256_set1_ps(r.unison_left), unison_right = _mm256_set1_ps(r.unison_right);
  const __m256 one = _mm256_set1_ps(1.f), two = _mm256_set1_ps(2.f), half = _mm256_set1_ps(0.5f);
  const __m256 square = _mm256_set1_ps(0.224f), linear = _mm256_set1_ps(0.776f);
  const __m256 per_unit = _mm256_set1_ps(1.f / 65536.f);
  int32_t i = 0;
  for (; i + 8 <= r.n; i += 8) {
    const __m256i pan_now =
        _mm256_add_epi32(centre, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r.pan + i)));
    const __m256 pan = _mm256_add_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(pan_now), per_unit), half);
    const __m256 pp = _mm256_min_ps(_mm256_max_ps(pan, _mm256_setzero_ps()), one);
    const __m256 a = _mm256_mul_ps(_mm256_sub_ps(one, pp), _mm256_add_ps(one, pp));
    const __m256 b = _mm256_mul_ps(_mm256_sub_ps(two, pp), pp);
    const __m256 wl = _mm256_add_ps(_mm256_mul_ps(_mm256_mul_ps(square, a), a), _mm256_mul_ps(linear, a));
    const __m256 wr = _mm256_add_ps(_mm256_mul_ps(_mm256_mul_ps(square, b), b), _mm256_mul_ps(linear, b));
    const __m256i amp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r.amplitude + i));
    const __m256 v = _mm256_mul_ps(_mm256_mul_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(amp), scale), velocity), to_unit);
    _mm256_storeu_ps(r.left + i, _mm256_mul_ps(_mm256_mul_ps(wl, v), unison_left));
    _mm256_storeu_ps(r.right + i, _mm256_mul_ps(_mm256_mul_ps(wr, v), unison_right));
  }
  if (r.n - i < 4) return i;
  gain_run rest = r;
  rest.amplitude += i;
  rest.pan += i;
  rest.left += i;
  rest.right += i;
  rest.n -= i;
  return i + run_sse2(rest);
}

}  // namespace synth::output_gains

#else

namespace synth::output_gains {
// Never called without AVX2 (active_kernel() is scalar then).
int32_t detail::run_avx2(const gain_run& r) { return run_sse2(r); }
}  // namespace synth::output_gains

#endif  // __AVX2__
