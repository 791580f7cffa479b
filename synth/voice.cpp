#include "synth/voice.h"

#include <algorithm>
#include <cmath>

#include "synth/dsp/exp2.h"
#include "synth/dsp/one_pole.h"
#include "synth/dsp/svf_kernel.h"
#include "synth/param_display.h"
#include "synth/voice_fixed.h"

namespace synth {

namespace {

using namespace voice_fixed;

constexpr float smoothing_seconds = 0.2f;
constexpr float declick_attack_seconds = 0.0025f;
constexpr float declick_release_seconds = 0.01f;
constexpr float shaper_highpass_hz = 5.f;     // removes the offset the shaping creates

// v limited to -1..+1 in Q31; the limits are +-0x7FFFFFFF, never 0x80000000.
int32_t to_q31(float v) {
  if (v >= 1.f) return q31_max;
  if (v <= -1.f) return -q31_max;
  return int32_t(double(v) * 2147483648.0);
}

// "Frequency" values: v limited to -4..+4 times 2^29.
int32_t to_q29x4(float v) {
  if (v >= 4.f) return q31_max;
  if (v <= -4.f) return -q31_max;
  return int32_t(double(v) * 536870912.0);
}

// The voice holds the "Volume" gain at a quarter, so +12 dB is full scale.
float volume_gain_q(float v) { return std::pow(10.f, 0.05f * volume_db(std::clamp(v, 0.f, 1.f))) * 0.25f; }

float level_gain(float v) { return v > 0.f ? std::pow(10.f, 0.05f * level_curve_db(v)) : 0.f; }

bool is_depth_param(int i) {
  switch (i) {
    case p::volume_mod_a: case p::volume_mod_b: case p::panning: case p::panning_mod_a:
    case p::panning_mod_b: case p::pitch_env_a: case p::pitch_env_b: case p::pitch_mod_a:
    case p::pitch_mod_b: case p::width_env_a: case p::width_env_b: case p::width_mod_a:
    case p::width_mod_b: case p::detune_env_a: case p::detune_env_b: case p::detune_mod_a:
    case p::detune_mod_b: case p::filter_keytrack: case p::filter_env_a: case p::filter_env_b:
    case p::filter_mod_a: case p::filter_mod_b: case p::shflt_keytrack:
      return true;
    default:
      return false;
  }
}

}  // namespace

// --- smoothing ------------------------------------------------------------------

template <typename T>
void smoothing_list<T>::add(T* target, T goal, int32_t ticks, bool feeds_filters) {
  const uint32_t end = clock + uint32_t(std::max(ticks, 1));
  if (count == 0 || int32_t(end - soonest) < 0) soonest = end;
  for (int i = 0; i < count; ++i) {
    if (entries[size_t(i)].target == target) {
      entries[size_t(i)].goal = goal;
      entries[size_t(i)].end = end;
      return;
    }
  }
  if (count == capacity) {  // cannot happen with one entry per parameter; be exact anyway
    *target = goal;
    return;
  }
  if (feeds_filters) filter_entries |= uint64_t(1) << count;
  entries[size_t(count++)] = {target, goal, end};
}

template <typename T>
void smoothing_list<T>::settle_ended() {
  for (int i = 0; i < count;) {
    const entry& e = entries[size_t(i)];
    if (int32_t(e.end - clock) <= 0) {
      *e.target = e.goal;
      remove(i);
      continue;
    }
    ++i;
  }
  soonest = count > 0 ? entries[0].end : clock;
  for (int i = 1; i < count; ++i)
    if (int32_t(entries[size_t(i)].end - soonest) < 0) soonest = entries[size_t(i)].end;
}

template <typename T>
void smoothing_list<T>::flush() {
  for (int i = 0; i < count; ++i) *entries[size_t(i)].target = entries[size_t(i)].goal;
  clear();
}

// An integer step never passes its goal (the coefficient is below 1 and
// the shift floors towards the goal's side or onto it), so it needs no
// saturation.
template <>
void smoothing_list<int32_t>::run(uint32_t c_q32, float) {
  if (tick_ends()) settle_ended();
  const int64_t c = int64_t(c_q32 >> 1);
  for (int i = 0, n = count; i < n; ++i) {
    const entry& e = entries[size_t(i)];
    const int32_t x = *e.target;
    *e.target = int32_t(x + (((int64_t(e.goal) - x) * c) >> 31));
  }
}

template <>
void smoothing_list<float>::run(uint32_t, float c) {
  if (tick_ends()) settle_ended();
  for (int i = 0, n = count; i < n; ++i) {
    const entry& e = entries[size_t(i)];
    *e.target += (e.goal - *e.target) * c;
  }
}

template struct smoothing_list<int32_t>;
template struct smoothing_list<float>;

// --- lifetime -------------------------------------------------------------------

void voice::init(voice_context* ctx) {
  ctx_ = ctx;
  osc_a_.init(&ctx->noise.out_float);
  osc_b_.init(&ctx->noise.out_float);
  pcm_a_.reset();
  pcm_b_.reset();
  path_.filter.init(&ctx->cutoff, ctx->sample_rate);
  path_.shflt.init(&ctx->cutoff);
  update_rates();
  reset();
}

void voice::update_rates() {
  dirty_ = true;
  const double r = ctx_->control_rate;
  declick_attack_ = int32_t((1.0 - std::pow(0.505, 1.0 / (declick_attack_seconds * r))) * 2147483648.0);
  declick_release_ =
      int32_t((1.0 - std::pow(double(0.00999999f), 1.0 / (declick_release_seconds * r))) * 2147483648.0);
  const double c = 1.0 - std::pow(0.01, 1.0 / (smoothing_seconds * r));
  smooth_c_ = float(c);
  smooth_c_q32_ = uint32_t(std::min(c * 4294967296.0, 4294967295.0));
  smooth_ticks_ = int32_t(std::floor(-4.6051702 / std::log(1.0 - c))) + 1;
  path_.shaper_dc.init(shaper_highpass_hz, ctx_->sample_rate);
  path_.filter.set_sample_rate(ctx_->sample_rate);
  fade_length_ = std::max(1, int(path_fade_seconds * ctx_->sample_rate));
  shaper_applied_tone_ = -1.f;  // recompute the tone coefficient at the next tick
  // Envelopes and LFOs restart from their rate; the engine reloads the
  // program's values into them afterwards.
  env_a_.init(ctx_->control_rate);
  env_b_.init(ctx_->control_rate);
  lfo_a_.init(ctx_->control_rate, &ctx_->noise.out16);
  lfo_b_.init(ctx_->control_rate, &ctx_->noise.out16);
  lfo_a_.set_tempo(ctx_->tempo_bpm);
  lfo_b_.set_tempo(ctx_->tempo_bpm);
}

void voice::reset() {
  kill();
  program_ = -1;
  stamp_ = 0;
  velocity_gain_ = 1.f;
  int_list_.clear();
  float_list_.clear();
}

void voice::kill() {
  dirty_ = true;
  connections_stale_ = true;
  active_ = false;
  path_fade_left_ = osc_fade_left_[0] = osc_fade_left_[1] = gain_fade_remaining_ = 0;
  amp_switched_ = false;
  key_gate_ = false;
  env_a_.reset();
  env_b_.reset();
  bend_ratio_ = 1.f;
  expression_ = expression{};
  declick_level_ = 0;
}

void voice::clear() {
  kill();
  path_.filter.reset();
  path_.shflt.reset();
  path_.tone.reset();
  path_.shaper_dc.reset();
  osc_a_.reset();
  osc_b_.reset();
}

// --- parameters -------------------------------------------------------------------

void voice::load_program(int program, const preset& p) {
  program_ = program;
  stamp_ = p.change_stamp;
  for (int i = 0; i < preset_param_count; ++i) set_param(i, p.get(i), false);
}

void voice::set_smoothed(int32_t* target, int32_t value, bool smooth, bool is_depth) {
  if (!smooth) {
    *target = value;
    return;
  }
  // A depth leaving 0 starts at +-1 so this block's connection list holds it.
  if (is_depth && *target == 0) *target = value > 0 ? 1 : -1;
  int_list_.add(target, value, smooth_ticks_, feeds_filters(target));
}

void voice::set_smoothed(float* target, float value, bool smooth) {
  if (!smooth) {
    *target = value;
    return;
  }
  float_list_.add(target, value, smooth_ticks_, feeds_filters(target));
}

// The smoothed values update_filters reads (and update_cutoff not all of):
// the main filter's controls, the shaper filter's frequency and keytrack
// depth (a depth no connection reads), the shaper's depth and tone.
bool voice::feeds_filters(const void* target) const {
  const void* const inputs[] = {&filter_ctl_.frequency, &filter_ctl_.resonance,  &filter_ctl_.fmod,
                                &filter_ctl_.qmod,      &filter_ctl_.saturation, &shflt_frequency_,
                                &depth_[p::shflt_keytrack], &shaper_depth_,      &shaper_tone_};
  for (const void* p : inputs)
    if (p == target) return true;
  return false;
}

void voice::set_mixer_level(int which, bool smooth) {
  float v = level_value_[which];
  float* target = which == 0 ? &mix_a_ : which == 1 ? &mix_b_ : which == 2 ? &mix_ring_ : &mix_noise_;
  float gain = which == 3 ? level_gain(std::min(v, 1.f)) : level_gain(std::clamp(v, 0.f, 1.f));
  if (which < 2 && invert_[which]) gain = -gain;
  set_smoothed(target, gain, smooth);
}

void voice::set_param(int index, float v, bool smooth) {
  if (index < 0 || index >= preset_param_count) return;
  dirty_ = true;
  connections_stale_ = true;
  const int w = int(v);
  switch (index) {
    case p::volume:
      set_smoothed(&volume_, to_q31(volume_gain_q(v)), smooth, false);
      break;
    case p::volume_env:
      if (smooth && std::clamp(w, 0, 2) != amp_env_select_) amp_switched_ = true;
      amp_env_select_ = std::clamp(w, 0, 2);
      break;
    case p::panning:
      set_smoothed(&panning_, to_q31(v), smooth, true);
      break;
    case p::glide_mode:
      glide_set_mode(osc_ctl_.glide, w, osc_in_.pitch, osc_in_.offset, ctx_->sample_rate);
      break;
    case p::glide_time:
      glide_set_time(osc_ctl_.glide, v, ctx_->control_rate);
      break;
    case p::osc_range:
      range_ratio_ = std::exp2(float(std::clamp(w, 0, 4) - 2));
      osc_in_.tune_1 = range_ratio_;
      break;
    case p::osc_sync:
      apply_sync(w);
      break;
    case p::osc_xmod:
      osc_in_.xmod_setting = std::clamp(w, 0, xmod_settings - 1);
      break;
    case p::osc_a_waveform:
      if (smooth && std::max(w, 0) != waveform_[0]) begin_osc_fade(0);
      apply_waveform(0, w);
      break;
    case p::osc_a_width:
      osc_in_.width_a = v;
      break;
    case p::osc_a_xmod:
      set_smoothed(&xmod_depth_a_, v * v, smooth);
      break;
    case p::osc_b_waveform:
      if (smooth && std::max(w, 0) != waveform_[1]) begin_osc_fade(1);
      apply_waveform(1, w);
      break;
    case p::osc_b_width:
      osc_in_.width_b = v;
      break;
    case p::osc_b_xmod:
      set_smoothed(&xmod_depth_b_, v * v, smooth);
      break;
    case p::osc_b_keytrack:
      osc_in_.keytrack_b = v;
      break;
    case p::osc_b_coarse:
      coarse_b_ = float(w);
      osc_in_.tuning_b = b_tuning_ratio(coarse_b_, fine_b_);
      break;
    case p::osc_b_fine:
      fine_b_ = v;
      osc_in_.tuning_b = b_tuning_ratio(coarse_b_, fine_b_);
      break;
    case p::osc_a_level:
    case p::osc_b_level:
      level_value_[index == p::osc_a_level ? 0 : 1] = std::clamp(v, 0.f, 1.f);
      set_mixer_level(index == p::osc_a_level ? 0 : 1, smooth);
      break;
    case p::osc_a_invert:
    case p::osc_b_invert:
      invert_[index == p::osc_a_invert ? 0 : 1] = w != 0;
      set_mixer_level(index == p::osc_a_invert ? 0 : 1, smooth);
      break;
    case p::ringmod_level:
      level_value_[2] = v;
      set_mixer_level(2, smooth);
      break;
    case p::noise_level:
      level_value_[3] = v;
      set_mixer_level(3, smooth);
      break;
    case p::filter_mode:
      if (smooth && std::clamp(w, 0, 8) != path_.filter_mode) begin_path_fade();
      path_.filter_mode = std::clamp(w, 0, 8);
      if (path_.filter_mode > 0) path_.filter.set_mode(path_.filter_mode);
      break;
    case p::filter_trigger:
      filter_trigger_ = std::clamp(w, 0, 2);
      break;
    case p::filter_frequency:
      set_smoothed(&filter_ctl_.frequency, to_q29x4(v), smooth, false);
      break;
    case p::filter_resonance:
      set_smoothed(&filter_ctl_.resonance, resonance_curve(v), smooth);
      break;
    case p::filter_fmod:
      set_smoothed(&filter_ctl_.fmod, v, smooth);
      break;
    case p::filter_qmod:
      set_smoothed(&filter_ctl_.qmod, v, smooth);
      break;
    case p::filter_saturation:
      set_smoothed(&filter_ctl_.saturation, to_q31(v), smooth, false);
      break;
    case p::shaper_mode:
      if (smooth && std::clamp(w, 0, 2) != path_.shaper_mode) begin_path_fade();
      path_.shaper_mode = std::clamp(w, 0, 2);
      break;
    case p::shaper_depth:
      set_smoothed(&shaper_depth_, v, smooth);
      break;
    case p::shaper_symm:
      set_smoothed(&shaper_bias_, v, smooth);
      break;
    case p::shaper_tone:
      set_smoothed(&shaper_tone_, v, smooth);
      break;
    case p::shflt_mode:
      if (smooth && std::clamp(w, 0, 8) != path_.shflt_mode) begin_path_fade();
      path_.shflt_mode = std::clamp(w, 0, 8);
      if (path_.shflt_mode > 0) path_.shflt.set_mode(path_.shflt_mode);
      break;
    case p::shflt_frequency:
      set_smoothed(&shflt_frequency_, to_q29x4(v), smooth, false);
      break;
    case p::shflt_resonance:
      shflt_resonance_ = resonance_curve(v);
      break;
    case p::env_a_attack: env_a_.set_attack(v); break;
    case p::env_a_decay: env_a_.set_decay(v); break;
    case p::env_a_sustain: env_a_.set_sustain(v); break;
    case p::env_a_release: env_a_.set_release(v); break;
    case p::env_a_keytrack: env_a_.set_keytrack(v); break;
    case p::env_a_trigger: env_trigger_[0] = std::clamp(w, 0, 7); break;
    case p::env_a_const_atk: env_a_.set_const_attack(w != 0); break;
    case p::env_b_attack: env_b_.set_attack(v); break;
    case p::env_b_decay: env_b_.set_decay(v); break;
    case p::env_b_sustain: env_b_.set_sustain(v); break;
    case p::env_b_release: env_b_.set_release(v); break;
    case p::env_b_keytrack: env_b_.set_keytrack(v); break;
    case p::env_b_trigger: env_trigger_[1] = std::clamp(w, 0, 7); break;
    case p::env_b_const_atk: env_b_.set_const_attack(w != 0); break;
    default:
      if (index >= p::mod_a_rate && index <= p::mod_b_range) {
        lfo& l = index < p::mod_b_rate ? lfo_a_ : lfo_b_;
        switch ((index - p::mod_a_rate) % 8) {
          case 0: l.set_rate(v); break;
          case 1: l.set_delay(v); break;
          case 2: l.set_shape(std::clamp(w, 0, 4)); break;
          case 3: l.set_width(std::clamp(v, 0.f, 1.f)); break;
          case 4: l.set_bias(std::clamp(w, -1, 1)); break;
          case 5: l.set_keysync(w != 0); break;
          case 6: l.set_keytrack(v); break;
          case 7: l.set_range(std::clamp(w, 0, 2)); break;
        }
      } else if (is_depth_param(index)) {
        set_smoothed(&depth_[size_t(index)], to_q31(v), smooth, true);
      }
      break;
  }
}

void voice::apply_waveform(int osc, int value) {
  waveform_[osc] = std::max(value, 0);
  oscillator& o = osc == 0 ? osc_a_ : osc_b_;
  o.set_waveform(waveform_[osc] <= 5 ? waveform_[osc] : 0);
}

void voice::apply_sync(int mode) {
  sync_mode_ = std::clamp(mode, 0, 3);
  osc_a_.set_sync_master(sync_mode_ == 2 ? &osc_b_ : nullptr);
  osc_b_.set_sync_master(sync_mode_ == 1 ? &osc_a_ : nullptr);
}

void voice::set_saw_count(int count) {
  dirty_ = true;
  osc_a_.set_saw_count(count);
  osc_b_.set_saw_count(count);
}

void voice::refresh_lfo_rates() {
  dirty_ = true;
  lfo_a_.set_tempo(ctx_->tempo_bpm);
  lfo_b_.set_tempo(ctx_->tempo_bpm);
}

// --- note -------------------------------------------------------------------------

void voice::set_tuning(float semitones) {
  tune_ = semitones;
  update_pitch_references();
}

void voice::set_random_offset(float semitones) {
  random_offset_ = semitones;
  update_pitch_references();
}

void voice::set_unison(float detune_semitones, float weight_left, float weight_right) {
  unison_detune_ = detune_semitones;
  unison_left_ = weight_left;
  unison_right_ = weight_right;
  update_pitch_references();
}

// The pitch references: the oscillators' note and offset, the keytrack source
// of the filters (2^17 per semitone, relative to middle C) and the keytrack
// pitch of envelopes and LFOs.
void voice::update_pitch_references() {
  dirty_ = true;
  const float offset = tune_ + unison_detune_ + random_offset_;
  // The one place a key becomes a pitch: the tuning's pitch for the key, so
  // glide, unison, keytracking and the envelopes all follow the tuned pitch.
  const tuning_table* t = ctx_->tuning;
  const float key_pitch = t && t->active ? t->pitch[size_t(note_ & 0x7F)] : float(note_);
  const float key = key_pitch - 60.f;
  osc_in_.pitch = key_pitch;
  osc_in_.offset = offset;
  pitch_fixed_ = float_to_fixed(key + offset, 131072.f);
  env_a_.set_pitch(key + offset);
  env_b_.set_pitch(key + offset);
  lfo_a_.set_pitch(key + offset);
  lfo_b_.set_pitch(key + offset);
}

void voice::begin_glide(bool jump) {
  update_pitch_references();
  glide_state& g = osc_ctl_.glide;
  const float rate = ctx_->sample_rate;
  const double target = glide_position_of(g.mode, osc_in_.pitch, osc_in_.offset, rate);
  const double from = jump || !glide_started_ ? target : g.position;
  glide_start(g, from, osc_in_.pitch, osc_in_.offset, rate);
  glide_started_ = true;
}

void voice::glide_from_pitch_of(const voice& other) {
  dirty_ = true;
  if (!other.glide_started_) return;
  osc_ctl_.glide.position = other.osc_ctl_.glide.position;
  glide_started_ = true;
}

void voice::copy_glide_state(const voice& other) {
  dirty_ = true;
  if (!other.glide_started_) return;
  osc_ctl_.glide = other.osc_ctl_.glide;
  glide_started_ = true;
}

void voice::start(bool retrigger) {
  update_pitch_references();
  key_gate_ = true;
  const bool was_active = active_;
  active_ = true;
  release_velocity_ = 0.f;
  velocity_gain_ = 1.f;
  frames_rendered_ = 0;
  if (retrigger || !was_active) {
    env_a_.note_start(env_trigger_[0]);
    env_b_.note_start(env_trigger_[1]);
    lfo_a_.note_start();
    lfo_b_.note_start();
    if (filter_trigger_ != 0) path_.filter.trigger(filter_trigger(filter_trigger_));
    if (sync_mode_ == 3) {  // "Gate": both oscillators restart at every note
      osc_a_.restart();
      osc_b_.restart();
    }
    if (waveform_[0] >= waveform::count) pcm_a_.start(waveform_[0] - waveform::count);
    if (waveform_[1] >= waveform::count) pcm_b_.start(waveform_[1] - waveform::count);
  }
}

void voice::release(float velocity) {
  dirty_ = true;
  release_velocity_ = velocity;
  key_gate_ = false;
  env_a_.gate_off();
  env_b_.gate_off();
}

}  // namespace synth
