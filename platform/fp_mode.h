// Floating-point mode for one processing call: denormals flushed to zero (FTZ
// and DAZ) and rounding toward zero, restored when the scope ends. The voice
// and effect code relies on float-to-integer conversions truncating, and the
// flushing keeps decaying tails from slowing the arithmetic down.
#pragma once

#if defined(__SSE__) || defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#define VORN_HAVE_MXCSR 1
#endif

namespace platform {

class scoped_fp_mode {
 public:
  scoped_fp_mode() {
#ifdef VORN_HAVE_MXCSR
    saved_ = _mm_getcsr();
    constexpr unsigned ftz = 0x8000, daz = 0x0040, round_toward_zero = 0x6000;
    _mm_setcsr(saved_ | ftz | daz | round_toward_zero);
#endif
  }
  ~scoped_fp_mode() {
#ifdef VORN_HAVE_MXCSR
    _mm_setcsr(saved_);
#endif
  }
  scoped_fp_mode(const scoped_fp_mode&) = delete;
  scoped_fp_mode& operator=(const scoped_fp_mode&) = delete;

 private:
  unsigned saved_ = 0;
};

}  // namespace platform
