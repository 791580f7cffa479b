// Older value sets of the "vals" chunk brought to the current layout
// (version 5): each step applies to every version below its bound, in order.
#pragma once

#include <cstdint>

#include "synth/param_table.h"

namespace files {

constexpr int32_t values_version = 5;

// Decibels to a mixer level on the level taper: piecewise linear through
// (-90 dB, 0), (-42, 0.0625), (-24, 0.25), (0, 0.75), (+12, 1); 0 at or
// below -90 dB, 1 above +12 dB.
float level_taper(float db);

// Migrates values stored by `version` (0..4) in place. Values may leave their
// ranges; the caller limits them afterwards.
void migrate_values(float* values, int32_t version);

}  // namespace files
