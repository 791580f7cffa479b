#include "synth/dsp/correction_rows.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace synth {

static_assert(blep_taps == correction_ring::size && blep_taps % 4 == 0 && blep_guard >= 1);

namespace {

correction_rows rows_of(const band_limit_table& table) {
  correction_rows r{};
  for (int32_t j = 0; j <= blep_phases; ++j)
    for (int32_t k = 0; k < blep_taps; ++k) r.row[j][k] = r.row[j][blep_taps + k] = table.data[k * blep_phases + j];
  return r;
}

}  // namespace

const correction_rows minblep_by_phase = rows_of(minblep);
const correction_rows minblamp_by_phase = rows_of(minblamp);

void insert_correction_rows(correction_ring& ring, const correction_rows& rows, float t, float amplitude) {
  const table_position where = position_in_table(blep_phases, t);
  const int32_t j = where.row;
  const float f = where.fraction;
  const float* left = rows.row[j];
  const float* right = rows.row[j + 1];
#if defined(__SSE2__)
  // Tap k goes to slot (index + k) & mask: slot s takes tap (s - index) & mask,
  // entry taps + s - index of a row.
  const int32_t at = ring.index & correction_ring::mask;
  const float* l = left + blep_taps - at;
  const float* r = right + blep_taps - at;
  const __m128 fv = _mm_set1_ps(f), a = _mm_set1_ps(amplitude);
  for (int32_t s = 0; s < correction_ring::size; s += 4) {
    const __m128 d0 = _mm_loadu_ps(l + s), d1 = _mm_loadu_ps(r + s);
    const __m128 c = _mm_mul_ps(_mm_add_ps(d0, _mm_mul_ps(_mm_sub_ps(d1, d0), fv)), a);
    _mm_storeu_ps(ring.slots + s, _mm_add_ps(_mm_loadu_ps(ring.slots + s), c));
  }
#else
  for (int32_t k = 0; k < blep_taps; ++k)
    ring.slots[(ring.index + k) & correction_ring::mask] += (left[k] + (right[k] - left[k]) * f) * amplitude;
#endif
  if (ring.pending < blep_taps) ring.pending = blep_taps;
}

}  // namespace synth
