// osc_control_repitch_block eight samples to a register, on a CPU with AVX2.
#pragma once

#include <cstdint>

#include "synth/dsp/osc_control.h"

namespace synth::osc_control_lanes {

// What the samples read, held through the run.
struct held {
  float base, tune_1, tune_2, period, ratio_b, increment_b, width_a;
  bool follows;  // B follows A (keytrack 1), else B's increment holds
};

namespace detail {
// The samples of osc_control_repitch_block from 0 in whole groups of eight
// (the exp2 table read by gathers): the same float steps in the same order,
// so the same numbers. Returns the samples done (n rounded down to eight).
// Only on a CPU with AVX2 (and a build with the kernel).
int repitch_avx2(const held& h, const int32_t* pitch_mod, const int32_t* width_mod, int n, osc_control_run& out);
}  // namespace detail

}  // namespace synth::osc_control_lanes
