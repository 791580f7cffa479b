#include "synth/dsp/filter_input_run.h"

#include "synth/dsp/sse2_ops.h"
#include "synth/dsp/svf_kernel.h"

namespace synth {

// maxps(m, lo) is m > lo ? m : lo (a NaN gives lo) and minps(y, hi) is
// y < hi ? y : hi, so the pair is limit_or_low exactly; cvttps truncates
// as the int32_t conversion does (the product stays within +-2^26).
void filter_input_run(const float* mix, int32_t* x, int n) {
  int i = 0;
#if defined(__SSE2__)
  const __m128 lo = _mm_set1_ps(-16.f), hi = _mm_set1_ps(16.f), scale = _mm_set1_ps(4194304.f);
  for (; i + 4 <= n; i += 4) {
    const __m128 limited = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(mix + i), lo), hi);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(x + i), _mm_cvttps_epi32(_mm_mul_ps(limited, scale)));
  }
#endif
  for (; i < n; ++i) x[i] = filter_input(mix[i]);
}

}  // namespace synth
