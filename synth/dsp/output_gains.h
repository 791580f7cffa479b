// A voice's output gains over a run of control ticks: the pan law at each
// tick's pan position, times the amplitude brought to float and the voice's
// fixed factors (velocity, unison side), for the left and the right.
//
// The pan law at a pan position p (2^16 units either side of the middle):
//   pp = clamp(p / 2^16 + 1/2, 0, 1), a = (1 - pp)(1 + pp), b = (2 - pp) pp,
//   left = 0.224 a^2 + 0.776 a, right = 0.224 b^2 + 0.776 b,
// so that left^2 + right^2 stays near 1 across the field. The gain of a tick:
//   v = float(amplitude) * scale * velocity * to_unit,
//   gain_left = left * v * unison_left, gain_right = right * v * unison_right.
// Every kernel does these float operations in this order (no fused
// multiply-add: the baseline targets have none and the AVX2 file is compiled
// without it), so each gives the scalar numbers bit for bit; a division by
// 2^16 is the product with 2^-16 exactly, and the clamp's input is never NaN.
#pragma once

#include <cstdint>

namespace synth::output_gains {

// The pan law at one position.
void pan_weights(int32_t pan_now, float& left, float& right);

struct gain_run {
  const int32_t* amplitude;  // [n] each tick's amplitude (Q31 scale, see voice_fixed)
  const int32_t* pan;        // [n] each tick's pan modulation, added to `centre`
  int32_t centre;            // the voice's pan position
  float scale, velocity, to_unit, unison_left, unison_right;
  float* left;               // [n] out
  float* right;              // [n] out
  int32_t n;
};

// The gains of the run's first ticks, a register at a time; returns how
// many (a multiple of four, n rounded down to the kernel's width). The rest
// is the caller's, with pan_weights kept from one tick to the next.
int32_t run(const gain_run& r);

namespace detail {
int32_t run_sse2(const gain_run& r);
// Only on a CPU with AVX2 (and a build with the kernel).
int32_t run_avx2(const gain_run& r);
}  // namespace detail

}  // namespace synth::output_gains
