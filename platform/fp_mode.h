// The floating-point mode for each call a host makes into the plug-in, set on
// entry and restored on return, so that nothing the host leaves in the FPU
// changes what we compute.
//
// Processing calls flush denormals to zero (FTZ and DAZ) and round toward zero:
// the voice and effect code relies on float-to-integer conversions truncating,
// and the flushing keeps decaying tails from slowing the arithmetic down. Every
// other call (parameters, programs, sample rate, chunks) computes in the C
// default mode, round to nearest without flushing, as coefficients and display
// texts expect. Both modes mask every exception, so an invalid operation gives
// a NaN rather than a trap in whichever host left exceptions unmasked.
//
// The engine's own arithmetic runs in SSE (MXCSR). The x87 unit still does some
// work on x86: the C runtime's maths functions on 32-bit Windows (pow, exp,
// sin), long double, float results returned in st(0). Hosts leave its control
// word in any state (24-bit precision from Direct3D, unmasked exceptions from
// debugging aids), so it gets a fixed word too, with 64-bit precision and the
// rounding of the MXCSR.
#pragma once

#include <cstdint>

#if defined(__SSE__) || defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#define VORN_HAVE_MXCSR 1
#endif
#if defined(__i386__) || defined(__x86_64__)
#define VORN_HAVE_X87 1
#endif

namespace platform {

struct fp_control_words {
  unsigned mxcsr;
  uint16_t x87;
};

// MXCSR: exception masks 0x1F80, flush to zero 0x8000, denormals are zero
// 0x0040, rounding toward zero 0x6000. x87: exception masks 0x3F, bit 6 always
// set, precision 0x300 (64-bit significand), rounding toward zero 0xC00.
constexpr fp_control_words processing_fp_mode{0x1F80 | 0x8000 | 0x0040 | 0x6000, 0x0F7F};
constexpr fp_control_words control_fp_mode{0x1F80, 0x037F};

class scoped_fp_mode {
 public:
  explicit scoped_fp_mode(fp_control_words mode = processing_fp_mode) {
#ifdef VORN_HAVE_MXCSR
    saved_.mxcsr = _mm_getcsr();
    _mm_setcsr(mode.mxcsr);
#endif
#ifdef VORN_HAVE_X87
    __asm__ volatile("fnstcw %0" : "=m"(saved_.x87));
    __asm__ volatile("fldcw %0" : : "m"(mode.x87));
#endif
  }
  // The exception flags our own work raised are cleared before the host's
  // word returns: with its exceptions unmasked they would trap in the host's
  // next x87 instruction.
  ~scoped_fp_mode() {
#ifdef VORN_HAVE_X87
    __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(saved_.x87));
#endif
#ifdef VORN_HAVE_MXCSR
    _mm_setcsr(saved_.mxcsr);
#endif
  }
  scoped_fp_mode(const scoped_fp_mode&) = delete;
  scoped_fp_mode& operator=(const scoped_fp_mode&) = delete;

 private:
  fp_control_words saved_{};
};

}  // namespace platform
