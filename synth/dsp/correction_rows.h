// insert_correction for the 16-tap residual tables, four taps to an SSE2
// register. The table is read by phase (row j holds every tap's entry at
// phase j) rather than by tap, so an insertion loads two rows side by side
// instead of two strided columns; each slot still gets the one product
// insert_correction adds, (d0 + (d1 - d0) f) amplitude, the same float
// operations on the same numbers: the ring ends bit for bit the same.
#pragma once

#include "synth/dsp/band_limit_table.h"
#include "synth/dsp/correction_ring.h"

namespace synth {

// A table by phase: row j, entries k and taps + k are data[k * phases + j]
// (the taps written out twice, so that the taps for any four consecutive
// ring slots lie side by side whatever the ring's position); row `phases`
// holds the entries one phase on (the interpolation's right-hand points,
// the last one from the table's guard).
struct correction_rows {
  alignas(16) float row[blep_phases + 1][2 * blep_taps];
};

extern const correction_rows minblep_by_phase;
extern const correction_rows minblamp_by_phase;

// insert_correction(ring, table, t, amplitude) with `rows` made from table.
void insert_correction_rows(correction_ring& ring, const correction_rows& rows, float t, float amplitude);

}  // namespace synth
