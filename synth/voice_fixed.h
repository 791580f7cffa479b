// Fixed-point helpers and constants shared by the voice's source files.
#pragma once

#include <algorithm>
#include <cstdint>

#include "synth/dsp/connection_run.h"
#include "synth/dsp/shaper_stage.h"

namespace synth::voice_fixed {

constexpr int32_t declick_top = 0x3FFFFFFF;   // half of full scale: opens in ~2.5 ms
constexpr int32_t declick_silent = 0x2000;    // below this the gate snaps shut
constexpr float output_scale = 5.2617093e-09f;  // 1.4124 / 2^28: 0 dB at full envelope
constexpr float inv_2_24 = 1.f / 16777216.f;

using modulation::q31_max;
using modulation::saturate32;
using modulation::connect;

using ::synth::float_to_fixed;

}  // namespace synth::voice_fixed
