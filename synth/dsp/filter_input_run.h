// The main filter's inputs for a run of mixer samples: filter_input of each,
// four to an SSE2 register where the target has SSE2.
#pragma once

#include <cstdint>

namespace synth {

// x[i] = filter_input(mix[i]) for i < n: limited to +-16 units (a NaN to
// -16), then 2^22 per unit, truncated. The arrays must not overlap.
void filter_input_run(const float* mix, int32_t* x, int n);

}  // namespace synth
