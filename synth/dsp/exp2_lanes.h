// exp2_fast over an array, four values to an SSE2 register: the same float
// operations on every value (the floor made exactly as std::floor makes it,
// the table read one lane at a time), so every result equals exp2_fast's bit
// for bit. For the ratios of a multi-ramp, remade whenever its spread moves.
#pragma once

#include <cstdint>

namespace synth {

// out[i] = exp2_fast(x[i] * scale) for i < n.
void exp2_fast_lanes(const float* x, float scale, float* out, int32_t n);

}  // namespace synth
