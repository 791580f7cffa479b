// Up to eight shaper filters of one form run together for a block, each in
// its own lane, as the main filters do (svf_lanes): one filter's integrators
// are a chain of dependent steps, several voices' chains overlap. A shaper
// filter's coefficients hold through a block (they follow "Frequency", its
// keytrack and "Resonance", set at the control tick), so each lane reads
// its filter's coefficient and damping once. The lanes give exactly what
// process() gives, bit for bit, outputs and final integrators alike: the
// state-variable forms are the main filter's linear 12 dB step and run on
// svf_lanes' held kernels (SSE2 baseline or AVX2, as
// svf_lanes::active_kernel picks), the one-pole forms interleave the lanes
// sample by sample.
#pragma once

#include <cstdint>

#include "synth/dsp/shaper_filter.h"

namespace synth::shaper_filter_lanes {

constexpr int max_lanes = 8;

// One filter's block: n process() inputs x, its results y (y == x allowed);
// the filter's state is read before and written back after.
struct lane {
  shaper_filter* filter;
  const int32_t* x;
  int32_t* y;
};

// Every lane's filter of one form(); count in 1..max_lanes, any n >= 0.
// No allocation, no locks.
void run(const lane* lanes, int count, int n);

}  // namespace synth::shaper_filter_lanes
