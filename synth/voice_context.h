// What every voice of one synth shares: the rate context and its derived
// constants, the noise generator, the cutoff table, the tempo, the multi-ramp
// count, and the scratch the voices render into.
#pragma once

#include <array>
#include <cstdint>
#include <numbers>

#include "synth/dsp/cutoff_table.h"
#include "synth/dsp/noise_generator.h"
#include "synth/pcm_list.h"
#include "synth/tuning.h"

namespace synth {

// The mixer's levels: oscillator A, B, their ring product and the noise.
struct voice_mixer {
  float a, b, ring, noise;
  float mix(float out_a, float out_b, float noise_value) const {
    return out_a * a + out_b * b + out_a * out_b * ring + noise_value * noise;
  }
};

struct voice_context {
  static constexpr int max_block = 256;  // frames per render piece

  float sample_rate = 44100.f;
  float inv_sample_rate = 1.f / 44100.f;
  float two_pi_over_rate = 2.f * std::numbers::pi_v<float> / 44100.f;
  float pi_over_rate = std::numbers::pi_v<float> / 44100.f;
  int control_divider = 1;  // the control tick runs every N samples; N = 1
  float inv_control_divider = 1.f;
  float control_rate = 44100.f;
  float tempo_bpm = 120.f;
  int saw_count = 16;

  const tuning_table* tuning = nullptr;  // the pitch of every key (set by the synth)
  const pcm_list* pcms = nullptr;  // the synth's PCM waves (read under the engine lock)
  noise_generator noise;
  cutoff_table cutoff;
  std::array<float, max_block> scratch_left{};
  std::array<float, max_block> scratch_right{};
  // A voice's block in stages (fast engine): oscillator outputs, noise, mixer.
  std::array<float, max_block> stage_a{};
  std::array<float, max_block> stage_b{};
  std::array<float, max_block> stage_noise{};
  std::array<float, max_block> stage_mix{};
  std::array<float, max_block> stage_gain_left{};
  std::array<float, max_block> stage_gain_right{};
  std::array<int32_t, max_block> stage_cutoff{};
  std::array<int32_t, max_block> stage_level{};  // the amplifier's envelope
  std::array<uint8_t, max_block> stage_cutoff_due{};
  // A staged block's smoothed path controls, tick by tick: the main
  // filter's, the shaper's and the shaper filter's.
  struct path_stage {
    std::array<int32_t, max_block> frequency{}, saturation{}, shflt_frequency{}, shflt_keytrack{};
    std::array<float, max_block> resonance{}, fmod{}, qmod{}, shaper_depth{}, shaper_bias{}, shaper_tone{};
  };
  path_stage path_values{};
  // A staged block's smoothed mixer levels, tick by tick.
  std::array<voice_mixer, max_block> mixer_values{};

  // A busy block of several voices in stages (synth/voice_lanes.cpp): each
  // voice's ticks, oscillators and mixer first, then the main filters of
  // voices with one filter variant together, then each voice's shaper and
  // output. One record per voice of a group: eight, one run of the filter
  // lanes (svf_lanes::max_lanes) and one run of the shaper lanes.
  static constexpr int lane_count = 8;
  struct lane_stage {
    int frames = 0;                     // the voice sounded this many frames of the block
    std::array<float, max_block> mix{};
    std::array<float, max_block> gain_left{};
    std::array<float, max_block> gain_right{};
    std::array<int32_t, max_block> cutoff{};  // the tick's cutoff modulation ...
    std::array<uint8_t, max_block> due{};     // ... where the filter's update is due
    // The main filter's inputs and per-sample coefficients, then its outputs.
    std::array<int32_t, max_block> x{};
    std::array<int32_t, max_block> f{};
    std::array<int32_t, max_block> q{};
    std::array<int32_t, max_block> limit{};
    std::array<int32_t, max_block> sat_a{};
    std::array<int32_t, max_block> sat_bias{};
    std::array<int32_t, max_block> y{};
    std::array<float, max_block> smoothed{};  // the FMod smoother's output
  };
  std::array<lane_stage, lane_count> lanes{};
  // The main filters' per-sample coefficients of one run of the lanes as
  // columns, sample i of lane l at [i][l], where the coefficients of the
  // run's voices are made side by side (state_variable_filter::
  // controls_columns) and the filters read them that way.
  struct filter_columns {
    int32_t f[max_block][lane_count], q[max_block][lane_count], limit2[max_block][lane_count];
    int32_t sat_a[max_block][lane_count], sat_bias[max_block][lane_count];
  };
  filter_columns columns{};
  // The controls of one voice's busy block a stage at a time: the sources
  // of every sample, then what the connections make of them.
  struct control_stage {
    std::array<int32_t, max_block> env_a{}, env_b{}, gate{}, lfo_a{}, lfo_b{};
    std::array<int32_t, max_block> amplitude{}, pan{}, pitch{}, width{}, detune{}, cutoff{};
    // What the oscillator controls set, oscillator A then B.
    std::array<float, max_block> increment[2], pending_width[2], spread[2];
  };
  control_stage controls{};

  void set_sample_rate(float rate) {
    sample_rate = rate;
    inv_sample_rate = 1.f / rate;
    two_pi_over_rate = 2.f * std::numbers::pi_v<float> / rate;
    pi_over_rate = std::numbers::pi_v<float> / rate;
    control_rate = rate / float(control_divider);
    cutoff.init(rate);
  }
};

}  // namespace synth
