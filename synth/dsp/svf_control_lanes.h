// The per-sample coefficients of up to eight main filters under FMod, one
// filter per lane (state_variable_filter::controls_lanes). A plain record per
// lane carries what the vector kernel needs of a filter and its controls, so
// that the kernel's file sees no private filter state.
#pragma once

#include <cstdint>

#include "synth/dsp/state_variable_filter.h"

namespace synth::svf_lanes {

struct control_run {
  // Constant over the run.
  const int32_t* entries;  // cutoff_table::entries(), the same table in every lane
  int32_t base;            // controls.frequency >> 15
  int32_t q_resonance;     // svf::damping_from_resonance(controls.resonance)
  int32_t saturation;      // controls.saturation
  float fmod;              // controls.fmod
  bool saturating;         // the filter's saturating forms are selected
  const int32_t* cutoff_mod;
  const uint8_t* due;
  const float* smoothed;
  state_variable_filter::coefficient_run out;
  // The filter's state: in before the run, out after it.
  int32_t cutoff, f, q, limit, sat_a, sat_bias;
};

// The kernel's width: state_variable_filter::max_control_lanes.
constexpr int control_lanes = state_variable_filter::max_control_lanes;

using coefficient_columns = state_variable_filter::coefficient_columns;

namespace detail {
// Exactly control_lanes lanes, n >= 0. Only for a CPU with AVX2. With
// columns null the coefficients go to each lane's `out` rows, else to the
// columns (n of them) alone.
void controls_avx2(control_run* lanes, int n, const coefficient_columns* columns);
}  // namespace detail

}  // namespace synth::svf_lanes
