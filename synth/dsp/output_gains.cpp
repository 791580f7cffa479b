// The scalar pan law and the SSE2 kernel, four ticks to a register; the
// AVX2 kernel (eight) runs instead where the CPU has it.
#include "synth/dsp/output_gains.h"

#include <algorithm>

#include "synth/dsp/svf_lanes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace synth::output_gains {

void pan_weights(int32_t pan_now, float& left, float& right) {
  const float pan = float(pan_now) / 65536.f + 0.5f;
  const float pp = std::clamp(pan, 0.f, 1.f);
  const float a = (1.f - pp) * (1.f + pp);
  const float b = (2.f - pp) * pp;
  left = 0.224f * a * a + 0.776f * a;
  right = 0.224f * b * b + 0.776f * b;
}

#if defined(__SSE2__)

int32_t detail::run_sse2(const gain_run& r) {
  const __m128i centre = _mm_set1_epi32(r.centre);
  const __m128 scale = _mm_set1_ps(r.scale), velocity = _mm_set1_ps(r.velocity), to_unit = _mm_set1_ps(r.to_unit);
  const __m128 unison_left = _mm_set1_ps(r.unison_left), unison_right = _mm_set1_ps(r.unison_right);
  const __m128 one = _mm_set1_ps(1.f), two = _mm_set1_ps(2.f), half = _mm_set1_ps(0.5f);
  const __m128 square = _mm_set1_ps(0.224f), linear = _mm_set1_ps(0.776f), per_unit = _mm_set1_ps(1.f / 65536.f);
  int32_t i = 0;
  for (; i + 4 <= r.n; i += 4) {
    const __m128i pan_now = _mm_add_epi32(centre, _mm_loadu_si128(reinterpret_cast<const __m128i*>(r.pan + i)));
    const __m128 pan = _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(pan_now), per_unit), half);
    const __m128 pp = _mm_min_ps(_mm_max_ps(pan, _mm_setzero_ps()), one);
    const __m128 a = _mm_mul_ps(_mm_sub_ps(one, pp), _mm_add_ps(one, pp));
    const __m128 b = _mm_mul_ps(_mm_sub_ps(two, pp), pp);
    const __m128 wl = _mm_add_ps(_mm_mul_ps(_mm_mul_ps(square, a), a), _mm_mul_ps(linear, a));
    const __m128 wr = _mm_add_ps(_mm_mul_ps(_mm_mul_ps(square, b), b), _mm_mul_ps(linear, b));
    const __m128i amp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r.amplitude + i));
    const __m128 v = _mm_mul_ps(_mm_mul_ps(_mm_mul_ps(_mm_cvtepi32_ps(amp), scale), velocity), to_unit);
    _mm_storeu_ps(r.left + i, _mm_mul_ps(_mm_mul_ps(wl, v), unison_left));
    _mm_storeu_ps(r.right + i, _mm_mul_ps(_mm_mul_ps(wr, v), unison_right));
  }
  return i;
}

#else

int32_t detail::run_sse2(const gain_run&) { return 0; }

#endif  // __SSE2__

int32_t run(const gain_run& r) {
#if defined(VORN_AVX2_KERNEL)
  if (svf_lanes::active_kernel() == svf_lanes::kernel::avx2) return detail::run_avx2(r);
#endif
  return detail::run_sse2(r);
}

}  // namespace synth::output_gains
