// The voice's waveshaper stage: the filtered signal split by the "Tone"
// lowpass, the highs shaped by the curve of "Mode" around the bias, the
// lows added back, and the offset the shaping creates removed by a 5 Hz
// highpass. One voice a sample at a time (shape_sample), or up to eight
// voices side by side in SSE or AVX2 lanes (shape_lanes), bit for bit the same: the
// lanes do the same float operations in the same order, and the baseline
// x86 targets have no fused multiply-add the compiler could contract them
// into.
#pragma once

#include <cstdint>

#include "synth/dsp/one_pole.h"
#include "synth/dsp/shaper_curve.h"

namespace synth {

// Fixed-point signal (2^24 per unit) in and out.
constexpr float shaper_input_scale = 6e-08f;   // ~1 / 2^24
constexpr float shaper_output_scale = 1.6e7f;  // ~2^24

struct shaper_voice {
  one_pole_lowpass* tone;
  one_pole_highpass* dc;
  const shaper_curve* curve;
  int mode;    // "Mode" 0..2
  float bias;  // "Symm": the point the highs are shaped around
};

// x * scale to 32 bits, held to +-2.1e9 (a NaN to the negative limit).
inline int32_t float_to_fixed(float x, float scale) {
  float v = x * scale;
  if (!(v > -2.1e9f)) return -2100000000;  // also catches NaN
  if (v > 2.1e9f) return 2100000000;
  return int32_t(v);
}

inline int32_t shape_sample(const shaper_voice& v, int32_t s) {
  const float x = float(s) * shaper_input_scale;
  const float lp = v.tone->process(x);
  const float h = x - lp;
  const float y = v.curve->process(v.mode, h + v.bias) + lp;
  return float_to_fixed(v.dc->process(y), shaper_output_scale);
}

// n samples of `count` (1..shaper_lanes) voices of one "Mode", in[k][i] to
// out[k][i] (in place allowed).
constexpr int shaper_lanes = 8;
void shape_lanes(const shaper_voice* voices, int count, int mode, const int32_t* const* in, int32_t* const* out, int n);

namespace detail {
// Five to eight voices in one set of eight lanes, where the baseline runs
// two sets of four; only on a CPU with AVX2 (and a build with the kernel).
void shape_lanes_avx2(const shaper_voice* voices, int count, int mode, const int32_t* const* in,
                      int32_t* const* out, int n);
}  // namespace detail

}  // namespace synth
