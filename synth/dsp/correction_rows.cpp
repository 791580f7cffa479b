#include "synth/dsp/correction_rows.h"

#include "synth/dsp/correction_rows_sse2.h"

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
#if defined(__SSE2__)
  __m128 slot[4];
  for (int32_t s = 0; s < 4; ++s) slot[s] = _mm_loadu_ps(ring.slots + 4 * s);
  add_correction_rows(slot, rows, ring.index & correction_ring::mask, j, f, amplitude);
  for (int32_t s = 0; s < 4; ++s) _mm_storeu_ps(ring.slots + 4 * s, slot[s]);
#else
  const float* left = rows.row[j];
  const float* right = rows.row[j + 1];
  for (int32_t k = 0; k < blep_taps; ++k)
    ring.slots[(ring.index + k) & correction_ring::mask] += (left[k] + (right[k] - left[k]) * f) * amplitude;
#endif
  if (ring.pending < blep_taps) ring.pending = blep_taps;
}

}  // namespace synth
