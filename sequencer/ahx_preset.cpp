// The mapping, in preset values (parameter names of the table):
//   Volume        (1 + dB / 36) * 0.5, dB = 20 log10(volume / 64) within -36..0
//   Env           Env A; Env A attack, decay, sustain, release from the
//                 replayer's linear envelope (ahx_voice.h)
//   Osc           the first playlist waveform's set-up and the wavelength's
//                 Range; Osc A Width from the first pulse position
//   Width Mod B   the square modulation as Mod B (a triangle between the
//                 square limits, a step per square-speed ticks), when some
//                 playlist entry switches it on
//   Filter        the first playlist filter position (version 1), Keytrack 1,
//                 Resonance 0 (the replayer's filter has a damping of 1)
//   Mod A         the vibrato: sine, Low range, keysync, on Pitch Mod A
//   Glide, Sync, XMod, Ringmod, Noise, the shaper and Env B: off
// The player runs the envelope, the pulse and filter sweeps and the playlist
// itself, tick by tick, so a song sounds as the replayer plays it; these
// values are the sound of the instrument on its own.
#include "sequencer/ahx_preset.h"

#include <algorithm>
#include <cmath>

#include "sequencer/ahx_voice.h"
#include "synth/param_table.h"

namespace sequencer {

namespace {

namespace p = synth::p;
using namespace ahx_voice;

constexpr int32_t fx_filter = 0, fx_square = 3, fx_modulation = 4;
constexpr float min_volume_db = -36.f;

float volume_of(int32_t volume) {
  float db = volume > 0 ? 20.f * std::log10(float(volume) / 64.f) : min_volume_db;
  db = std::clamp(db, min_volume_db, 0.f);
  return (1.f + db / 36.f) * 0.5f;
}

void set_envelope(const ahx_instrument& in, float tick_hz, synth::preset& pr) {
  const int32_t peak = std::max({in.attack_volume, in.decay_volume, 1});
  pr.set(p::volume_env, 1.f);
  pr.set(p::env_a_attack, attack_value(in.attack_ticks, tick_hz));
  pr.set(p::env_a_decay, decay_value(in.decay_ticks, tick_hz));
  pr.set(p::env_a_sustain, float(in.decay_volume) / float(peak));
  pr.set(p::env_a_release, decay_value(in.release_ticks, tick_hz));
  pr.set(p::env_a_trigger, 0.f);
  pr.set(p::env_a_keytrack, 0.f);
}

void set_square_sweep(const ahx_instrument& in, float tick_hz, synth::preset& pr) {
  const int32_t step = square_step(in.wavelength);
  const int32_t lower = std::min(in.square_lower, in.square_upper) / step;
  const int32_t upper = std::max(in.square_lower, in.square_upper) / step;
  if (upper <= lower || in.square_speed <= 0) return;
  const float period_s = 2.f * float((upper - lower) * in.square_speed) / tick_hz;
  const float low_w = square_width(lower * step, in.wavelength), high_w = square_width(upper * step, in.wavelength);
  pr.set(p::osc_a_width, 0.5f * (low_w + high_w));
  pr.set(p::width_mod_b, 0.5f * (high_w - low_w));
  pr.set(p::mod_b_shape, 1.f);  // "Ramp" at width 0.5: a triangle
  pr.set(p::mod_b_width, 0.5f);
  pr.set(p::mod_b_range, 0.f);
  pr.set(p::mod_b_rate, std::sqrt(std::clamp((1.f / period_s - 0.0083333f) / 31.991667f, 0.f, 1.f)));
  pr.set(p::mod_b_keysync, 1.f);
}

void set_vibrato(const ahx_instrument& in, float tick_hz, synth::preset& pr) {
  pr.set(p::mod_a_shape, 2.f);
  pr.set(p::mod_a_range, 0.f);
  pr.set(p::mod_a_keysync, 1.f);
  pr.set(p::mod_a_bias, 0.f);
  pr.set(p::mod_a_width, 0.5f);
  pr.set(p::mod_a_rate, vibrato_rate(in.vibrato_speed, tick_hz));
  pr.set(p::mod_a_delay, lfo_delay(in.vibrato_delay, tick_hz));
  const bool on = in.vibrato_depth > 0 && in.vibrato_speed > 0;
  pr.set(p::pitch_mod_a, on ? vibrato_pitch_depth(in.vibrato_depth) : 0.f);
}

void clear_extras(synth::preset& pr) {
  for (int i : {p::panning, p::glide_mode, p::osc_sync, p::osc_xmod, p::osc_a_xmod, p::osc_b_xmod,
                p::ringmod_level, p::noise_level, p::osc_a_invert, p::osc_b_invert, p::filter_trigger,
                p::filter_resonance, p::filter_env_a, p::filter_env_b, p::filter_mod_a, p::filter_mod_b,
                p::filter_fmod, p::filter_qmod, p::filter_saturation, p::shaper_depth, p::shflt_mode,
                p::volume_mod_a, p::volume_mod_b, p::panning_mod_a, p::panning_mod_b, p::pitch_env_a,
                p::pitch_env_b, p::pitch_mod_b, p::width_env_a, p::width_env_b, p::width_mod_a,
                p::width_mod_b, p::detune_env_a, p::detune_env_b, p::detune_mod_a, p::detune_mod_b})
    pr.set(i, 0.f);
}

}  // namespace

ahx_start ahx_start_of(const ahx_instrument& in, int32_t version) {
  ahx_start s;
  bool waveform = false, square = false, filter = false;
  for (const playlist_entry& e : in.playlist) {
    if (!waveform && e.waveform != 0) {
      s.waveform = e.waveform;
      waveform = true;
    }
    for (int k = 0; k < 2; ++k) {
      if (e.fx[k] == fx_square && !square) {
        s.square_position = e.fx_param[k];
        square = true;
      }
      if (e.fx[k] == fx_filter && version >= 1 && !filter && e.fx_param[k] != 0) {
        s.filter_position = e.fx_param[k];
        filter = true;
      }
      if (e.fx[k] == fx_modulation && (version == 0 || (e.fx_param[k] & 15) != 0)) s.square_modulation = true;
    }
  }
  return s;
}

void ahx_preset(const ahx_instrument& in, int32_t version, float tick_hz, synth::preset& pr) {
  clear_extras(pr);
  pr.set(p::volume, volume_of(in.volume));
  set_envelope(in, tick_hz, pr);
  const ahx_start start = ahx_start_of(in, version);
  const param_list setup = waveform_setup(start.waveform, in.wavelength);
  for (int i = 0; i < setup.count; ++i) pr.set(setup.values[i].index, setup.values[i].value);
  pr.set(p::osc_a_width, square_width(start.square_position, in.wavelength));
  if (start.square_modulation && start.waveform == 3) set_square_sweep(in, tick_hz, pr);
  const filter_setting f = filter_of(start.filter_position, in.wavelength);
  pr.set(p::filter_mode, float(f.mode));
  pr.set(p::filter_frequency, f.frequency);
  pr.set(p::filter_keytrack, 1.f);
  set_vibrato(in, tick_hz, pr);
  synth::limit_values(pr);
}

}  // namespace sequencer
