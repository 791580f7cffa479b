// Fixed-point helpers and constants shared by the voice's source files.
#pragma once

#include <algorithm>
#include <cstdint>

#include "synth/dsp/shaper_stage.h"

namespace synth::voice_fixed {

constexpr int32_t q31_max = 0x7FFFFFFF;
constexpr int32_t declick_top = 0x3FFFFFFF;   // half of full scale: opens in ~2.5 ms
constexpr int32_t declick_silent = 0x2000;    // below this the gate snaps shut
constexpr float output_scale = 5.2617093e-09f;  // 1.4124 / 2^28: 0 dB at full envelope
constexpr float inv_2_24 = 1.f / 16777216.f;

inline int32_t saturate32(int64_t v) { return int32_t(std::clamp<int64_t>(v, -int64_t(q31_max), q31_max)); }

using ::synth::float_to_fixed;

// One modulation connection: the destination's value after a source at a
// depth (Q31). Kind 0 adds source * depth; kind 1 is the bipolar multiply,
// the LFO (+-0.5 in Q31) scaling the destination between 1 and 1 - |depth|.
inline int32_t connect(int32_t dest, int64_t src, int64_t depth, int32_t kind) {
  if (kind == 0) return saturate32(dest + ((src * depth) >> 31));
  const int64_t one = int64_t(1) << 31, half = int64_t(1) << 30;
  const int64_t s = depth >= 0 ? src + half : half - src;
  const int64_t factor = (((s - one) * (depth >= 0 ? depth : -depth)) >> 31) + one;
  return saturate32((int64_t(dest) * factor) >> 31);
}

}  // namespace synth::voice_fixed
