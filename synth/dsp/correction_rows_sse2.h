// One insertion of a residual into the step ring's 16 slots held in four
// SSE2 registers: a caller with several insertions in one sample loads the
// slots once and stores them once. Each slot gets insert_correction's one
// product, (d0 + (d1 - d0) f) amplitude, the same float operations on the
// same numbers.
//
// For files built for the SSE2 baseline only: an AVX2 file that called this
// inline function would compile a copy of its own with AVX2 instructions,
// which the linker might then hand to baseline callers.
#pragma once

#if defined(__SSE2__)

#include <emmintrin.h>

#include <cstdint>

#include "synth/dsp/correction_rows.h"

namespace synth {

// The residual at the table row `row` and the fraction f towards the next
// (position_in_table), times amplitude, into the slots of a ring read from
// slot `at`: tap k goes to slot (at + k) & mask, so slot s takes entry
// taps + s - at of a row.
inline void add_correction_rows(__m128 (&slot)[4], const correction_rows& rows, int32_t at, int32_t row, float f,
                                float amplitude) {
  const float* l = rows.row[row] + blep_taps - at;
  const float* r = rows.row[row + 1] + blep_taps - at;
  const __m128 fv = _mm_set1_ps(f), a = _mm_set1_ps(amplitude);
  for (int32_t s = 0; s < 4; ++s) {
    const __m128 d0 = _mm_loadu_ps(l + 4 * s), d1 = _mm_loadu_ps(r + 4 * s);
    slot[s] = _mm_add_ps(slot[s], _mm_mul_ps(_mm_add_ps(d0, _mm_mul_ps(_mm_sub_ps(d1, d0), fv)), a));
  }
}

}  // namespace synth

#endif  // __SSE2__
