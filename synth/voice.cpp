#include "synth/voice.h"

#include <algorithm>
#include <cmath>

#include "synth/dsp/exp2.h"
#include "synth/dsp/one_pole.h"
#include "synth/dsp/svf_kernel.h"
#include "synth/param_display.h"

namespace synth {

namespace {

constexpr int32_t q31_max = 0x7FFFFFFF;
constexpr int32_t declick_top = 0x3FFFFFFF;   // half of full scale: opens in ~2.5 ms
constexpr int32_t declick_silent = 0x2000;    // below this the gate snaps shut
constexpr float smoothing_seconds = 0.2f;
constexpr float declick_attack_seconds = 0.0025f;
constexpr float declick_release_seconds = 0.01f;
constexpr float shaper_highpass_hz = 5.f;     // removes the offset the shaping creates
constexpr float output_scale = 5.2617093e-09f;  // 1.4124 / 2^28: 0 dB at full envelope
constexpr float inv_2_24 = 1.f / 16777216.f;

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

int32_t saturate32(int64_t v) {
  return int32_t(std::clamp<int64_t>(v, -int64_t(q31_max), q31_max));
}

int32_t float_to_fixed(float x, float scale) {
  float v = x * scale;
  if (!(v > -2.1e9f)) return -2100000000;  // also catches NaN
  if (v > 2.1e9f) return 2100000000;
  return int32_t(v);
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
void smoothing_list<T>::add(T* target, T goal, int32_t ticks) {
  for (int i = 0; i < count; ++i) {
    if (entries[size_t(i)].target == target) {
      entries[size_t(i)].goal = goal;
      entries[size_t(i)].remaining = ticks;
      return;
    }
  }
  if (count == capacity) {  // cannot happen with one entry per parameter; be exact anyway
    *target = goal;
    return;
  }
  entries[size_t(count++)] = {target, goal, ticks};
}

template <typename T>
void smoothing_list<T>::flush() {
  for (int i = 0; i < count; ++i) *entries[size_t(i)].target = entries[size_t(i)].goal;
  count = 0;
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
  active_ = false;
  path_fade_left_ = osc_fade_left_[0] = osc_fade_left_[1] = gain_fade_remaining_ = 0;
  amp_switched_ = false;
  key_gate_ = false;
  env_a_.reset();
  env_b_.reset();
  bend_ratio_ = 1.f;
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
  int_list_.add(target, value, smooth_ticks_);
}

void voice::set_smoothed(float* target, float value, bool smooth) {
  if (!smooth) {
    *target = value;
    return;
  }
  float_list_.add(target, value, smooth_ticks_);
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
      osc_ctl_.glide.mode = std::clamp(w, 0, glide_mode::count - 1);
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
  osc_a_.set_saw_count(count);
  osc_b_.set_saw_count(count);
}

void voice::refresh_lfo_rates() {
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
  const float offset = tune_ + unison_detune_ + random_offset_;
  const float key = float(note_ - 60);
  osc_in_.pitch = float(note_);
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
  if (!other.glide_started_) return;
  osc_ctl_.glide.position = other.osc_ctl_.glide.position;
  glide_started_ = true;
}

void voice::copy_glide_state(const voice& other) {
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
  release_velocity_ = velocity;
  key_gate_ = false;
  env_a_.gate_off();
  env_b_.gate_off();
}

// --- control tick -------------------------------------------------------------------

void voice::rebuild_connections() {
  int n = 0;
  auto add = [&](const int32_t* src, int depth_index, int32_t* dest, int32_t kind) {
    const int32_t* depth = depth_index < 0 ? &volume_ : &depth_[size_t(depth_index)];
    if (*depth != 0) int_conn_[size_t(n++)] = {src, depth, dest, kind};
  };
  const int32_t* amp_src = amp_env_select_ == 0 ? &src_gate_ : &src_env_[amp_env_select_ - 1];
  add(amp_src, -1, &dst_amplitude_, 0);
  add(&src_lfo30_[0], p::volume_mod_a, &dst_amplitude_, 1);
  add(&src_lfo30_[1], p::volume_mod_b, &dst_amplitude_, 1);
  add(&src_lfo_[0], p::panning_mod_a, &dst_pan_, 0);
  add(&src_lfo_[1], p::panning_mod_b, &dst_pan_, 0);
  const int first_of[4] = {p::pitch_env_a, p::width_env_a, p::detune_env_a, p::filter_env_a};
  int32_t* dest_of[4] = {&dst_pitch_, &dst_width_, &dst_detune_, &dst_cutoff_};
  for (int d = 0; d < 4; ++d) {
    if (d == 3) add(&src_keytrack_, p::filter_keytrack, &dst_cutoff_, 0);
    add(&src_env15_[0], first_of[d], dest_of[d], 0);
    add(&src_env15_[1], first_of[d] + 1, dest_of[d], 0);
    add(&src_lfo_[0], first_of[d] + 2, dest_of[d], 0);
    add(&src_lfo_[1], first_of[d] + 3, dest_of[d], 0);
  }
  int_conn_count_ = n;
  int m = 0;
  float_conn_[size_t(m++)] = {&src_xmod_, &xmod_depth_a_, &dst_xmod_a_};
  float_conn_[size_t(m++)] = {&src_xmod_, &xmod_depth_b_, &dst_xmod_b_};
  float_conn_count_ = m;
}

void voice::run_smoothing() {
  for (int i = 0; i < int_list_.count;) {
    auto& e = int_list_.entries[size_t(i)];
    if (--e.remaining <= 0) {
      *e.target = e.goal;
      e = int_list_.entries[size_t(--int_list_.count)];
      continue;
    }
    const int64_t diff = int64_t(e.goal) - *e.target;
    *e.target = saturate32(*e.target + ((diff * int64_t(smooth_c_q32_ >> 1)) >> 31));
    ++i;
  }
  for (int i = 0; i < float_list_.count;) {
    auto& e = float_list_.entries[size_t(i)];
    if (--e.remaining <= 0) {
      *e.target = e.goal;
      e = float_list_.entries[size_t(--float_list_.count)];
      continue;
    }
    *e.target += (e.goal - *e.target) * smooth_c_;
    ++i;
  }
}

void voice::run_envelopes() {
  envelope_gate_inputs in;
  in.key = key_gate_;
  in.pulse[0] = lfo_a_.pulse_on();
  in.pulse[1] = lfo_b_.pulse_on();
  in.delay_ended[0] = lfo_a_.delay_ended();
  in.delay_ended[1] = lfo_b_.delay_ended();
  in.amp = amp_env_select_ == 1;
  env_a_.follow_gate(envelope_gate(env_trigger_[0], in));
  env_a_.tick();
  in.amp = amp_env_select_ == 2;
  env_b_.follow_gate(envelope_gate(env_trigger_[1], in));
  env_b_.tick();
}

void voice::run_declick() {
  int32_t level = declick_level_;
  if (key_gate_) {
    level += int32_t((int64_t(q31_max - level) * declick_attack_) >> 31);
    if (level > declick_top) level = declick_top;
  } else if (level <= declick_silent) {
    level = 0;
  } else {
    level -= int32_t((int64_t(level) * declick_release_) >> 31);
  }
  declick_level_ = level;
}

void voice::evaluate_connections() {
  dst_amplitude_ = dst_pan_ = dst_pitch_ = dst_width_ = dst_detune_ = dst_cutoff_ = 0;
  for (int i = 0; i < int_conn_count_; ++i) {
    const int_connection& c = int_conn_[size_t(i)];
    const int64_t src = *c.source, depth = *c.depth;
    if (c.kind == 0) {
      *c.dest = saturate32(*c.dest + ((src * depth) >> 31));
      continue;
    }
    // Bipolar multiply: the LFO (+-0.5 in Q31) scales between 1 and 1 - |depth|.
    const int64_t one = int64_t(1) << 31, half = int64_t(1) << 30;
    const int64_t s = depth >= 0 ? src + half : half - src;
    const int64_t factor = (((s - one) * (depth >= 0 ? depth : -depth)) >> 31) + one;
    *c.dest = saturate32((int64_t(*c.dest) * factor) >> 31);
  }
  dst_xmod_a_ = dst_xmod_b_ = 0.f;
  for (int i = 0; i < float_conn_count_; ++i) {
    const float_connection& c = float_conn_[size_t(i)];
    *c.dest += *c.source * *c.depth;
  }
}

void voice::update_oscillators() {
  osc_in_.tune_2 = bend_ratio_;
  osc_in_.pitch_mod = dst_pitch_;
  osc_in_.detune_b_mod = dst_detune_;
  osc_in_.width_mod = float(dst_width_);
  osc_in_.xmod_a = dst_xmod_a_;
  osc_in_.xmod_b = dst_xmod_b_;
  const osc_control_result r = osc_control_tick(osc_ctl_, osc_in_, ctx_->sample_rate);
  hz_a_ = r.hz_a;
  osc_a_.set_increment(r.increment_a);
  osc_a_.set_pending_width(r.pending_width_a);
  osc_a_.set_spread(waveform_[0] == 2 ? r.pcm_start_a : 0.f);
  osc_b_.set_increment(r.increment_b);
  osc_b_.set_pending_width(r.pending_width_b);
  osc_b_.set_spread(waveform_[1] == 2 ? r.pcm_start_b : 0.f);
  pcm_a_.set_start(r.pcm_start_a);
  pcm_b_.set_start(r.pcm_start_b);
  if (osc_fade_left_[0] > 0) {
    fading_osc_[0].set_increment(r.increment_a);
    fading_osc_[0].set_pending_width(r.pending_width_a);
  }
  if (osc_fade_left_[1] > 0) {
    fading_osc_[1].set_increment(r.increment_b);
    fading_osc_[1].set_pending_width(r.pending_width_b);
  }
}

void voice::update_path_controls(voice_path& path) {
  if (path.filter_mode > 0) path.filter.update(filter_ctl_);
  if (path.shflt_mode > 0) {
    const int32_t keytrack = int32_t((int64_t(src_keytrack_) * depth_[p::shflt_keytrack]) >> 31);
    path.shflt.update(shflt_frequency_, keytrack, shflt_resonance_);
  }
}

void voice::update_filters() {
  filter_ctl_.cutoff_mod = dst_cutoff_;
  if (shaper_depth_ != shaper_applied_depth_) set_shaper_depth(shaper_depth_);
  if (shaper_tone_ != shaper_applied_tone_) {
    shaper_applied_tone_ = shaper_tone_;
    path_.tone.init(shaper_tone_ * shaper_tone_ * 3999.f + 1.f, ctx_->sample_rate);
    fading_path_.tone.c = path_.tone.c;
  }
  update_path_controls(path_);
  if (path_fade_left_ > 0) update_path_controls(fading_path_);
}

void voice::set_shaper_depth(float x) {
  shaper_applied_depth_ = x;
  const bool on = x > 0.001f;
  if (on && !shaper_on_) {
    path_.tone.reset();
    path_.shaper_dc.reset();
  }
  shaper_on_ = on;
  const float q = std::min(x * x, 1.f);
  shaper_d_ = 1.f / (0.001f + 999.999f * (-0.00999999f * q / (q - 1.01f)));
  shaper_c_ = std::clamp(x, 0.f, 1.f);
}

void voice::update_output_gains() {
  const float pan = float((panning_ >> 16) + dst_pan_) / 65536.f + 0.5f;
  const float pp = std::clamp(pan, 0.f, 1.f);
  const float a = (1.f - pp) * (1.f + pp);
  const float b = (2.f - pp) * pp;
  const float v = float(dst_amplitude_) * output_scale * velocity_gain_ * inv_2_24;
  const float left = (0.224f * a * a + 0.776f * a) * v * unison_left_;
  const float right = (0.224f * b * b + 0.776f * b) * v * unison_right_;
  if (amp_switched_) {  // the gains of the last tick were the old envelope's
    amp_switched_ = false;
    gain_fade_left_ = gain_left_ - left;
    gain_fade_right_ = gain_right_ - right;
    gain_fade_remaining_ = fade_length_;
  }
  gain_left_ = left;
  gain_right_ = right;
  if (gain_fade_remaining_ > 0) {
    const float k = float(gain_fade_remaining_--) / float(fade_length_);
    gain_left_ += gain_fade_left_ * k;
    gain_right_ += gain_fade_right_ * k;
  }
}

void voice::control_tick() {
  if (countdown_ > 0) {
    --countdown_;
    return;
  }
  countdown_ = ctx_->control_divider - 1;
  run_smoothing();
  lfo_a_.tick();
  lfo_b_.tick();
  run_envelopes();
  run_declick();
  src_xmod_ = xmod_modulator(osc_ctl_.xmod, osc_in_.xmod_setting, out_a_, out_b_, ctx_->sample_rate);
  src_keytrack_ = pitch_fixed_ >> 9;
  src_gate_ = declick_level_;
  src_env_[0] = env_a_.level();
  src_env_[1] = env_b_.level();
  src_env15_[0] = src_env_[0] >> 15;
  src_env15_[1] = src_env_[1] >> 15;
  src_lfo_[0] = lfo_a_.output();
  src_lfo_[1] = lfo_b_.output();
  src_lfo30_[0] = src_lfo_[0] * 32768;
  src_lfo30_[1] = src_lfo_[1] * 32768;
  evaluate_connections();
  update_oscillators();
  update_filters();
  update_output_gains();
}

// --- audio ----------------------------------------------------------------------------

bool voice::should_stop() const {
  if (amp_switched_ || gain_fade_remaining_ > 0) return false;  // let the amplifier's fade finish
  if (amp_env_select_ == 0) return !key_gate_ && declick_level_ <= declick_silent;
  const envelope& e = amp_env_select_ == 1 ? env_a_ : env_b_;
  const int trigger = env_trigger_[amp_env_select_ - 1];
  // An envelope that has just been gated on sits at 0 until its first tick:
  // an attack never ends the voice. A decay into sustain 0 does.
  if (e.level() != 0 || e.stage() == envelope::attack) return false;
  return trigger == 0 || trigger == 3 || !key_gate_;
}

float voice::render_oscillator(int which) {
  oscillator& o = which == 0 ? osc_a_ : osc_b_;
  const int w = waveform_[which];
  float now = 0.f;
  if (w >= 1 && w <= 5) {
    now = o.render();
  } else if (w >= waveform::count) {
    // Waveform 6 on plays PCM entry 0 on; a missing or empty entry is silent.
    const pcm_record* r = ctx_->pcms ? ctx_->pcms->at(w - waveform::count) : nullptr;
    now = (which == 0 ? pcm_a_ : pcm_b_).render(r, o.increment());
  }
  int& left = osc_fade_left_[which];
  if (left == 0) return now;
  const float before = fading_osc_[which].render();
  return now + (before - now) * (float(left--) / float(fade_length_));
}

// Copies of the old layout keep running, fed the same inputs, while the
// new one fades in. A change during a fade keeps the copy already running.
void voice::begin_path_fade() {
  if (path_fade_left_ == 0) fading_path_ = path_;
  path_fade_left_ = fade_length_;
}

void voice::begin_osc_fade(int which) {
  if (osc_fade_left_[which] == 0) {
    oscillator& o = which == 0 ? osc_a_ : osc_b_;
    fading_osc_[which] = o;
    // A null (or PCM) waveform renders nothing: its copy stays silent.
    if (waveform_[which] < 1 || waveform_[which] > 5) fading_osc_[which].set_waveform(waveform::null);
  }
  osc_fade_left_[which] = fade_length_;
}

int32_t voice::run_shaper(voice_path& path, int32_t s) {
  const float x = float(s) * 6e-08f;
  const float lp = path.tone.process(x);
  const float h = x - lp;
  float y = h + shaper_bias_;
  const float d = shaper_d_;
  switch (path.shaper_mode) {
    case 0:
      y = float(double(y) / (std::fabs(double(y)) + d) * (double(d) + 1.0));
      break;
    case 1: {
      const float limit = 4.f * (d + 1.f) / (d + 4.f);
      y = std::clamp(y, -limit, limit);
      y = float(double(y) / (std::fabs(double(y)) - 1.0 - d) * -double(d));
      break;
    }
    default:
      y = y + (std::fabs(y) - y) * shaper_c_;
      break;
  }
  y += lp;
  return float_to_fixed(path.shaper_dc.process(y), 1.6e7f);
}

// The path after the mixer: filter (or bypass), shaper, shaper filter.
int32_t voice::run_path(voice_path& path, float m) {
  int32_t s;
  if (path.filter_mode == 0) {
    s = float_to_fixed(m, 16777216.f);
  } else {
    if (filter_ctl_.fmod != 0.f || filter_ctl_.qmod != 0.f) path.filter.modulate(m, filter_ctl_);
    s = saturate32(int64_t(path.filter.process(filter_input(m))) * 4);
  }
  if (shaper_on_) s = run_shaper(path, s);
  if (path.shflt_mode > 0) s = saturate32(int64_t(path.shflt.process(s >> 2)) * 4);
  return s;
}

void voice::render(float* left, float* right, int n) {
  rebuild_connections();
  for (int i = 0; i < n; ++i) {
    ctx_->noise.next();
    control_tick();
    prepare_sync(osc_a_);
    prepare_sync(osc_b_);
    if (osc_fade_left_[0] > 0) prepare_sync(fading_osc_[0]);
    if (osc_fade_left_[1] > 0) prepare_sync(fading_osc_[1]);
    out_a_ = render_oscillator(0);
    out_b_ = render_oscillator(1);
    const float m = out_a_ * mix_a_ + out_b_ * mix_b_ + out_a_ * out_b_ * mix_ring_ +
                    ctx_->noise.out_float * mix_noise_;
    int32_t s = run_path(path_, m);
    if (path_fade_left_ > 0) {
      const int64_t before = run_path(fading_path_, m);
      s = int32_t(s + (before - s) * path_fade_left_-- / fade_length_);
    }
    left[i] += gain_left_ * float(s);
    right[i] += gain_right_ * float(s);
    ++frames_rendered_;
    if (should_stop()) {
      active_ = false;
      catch_up(n - i - 1);
      return;
    }
  }
}

void voice::catch_up(int ticks) {
  int_list_.flush();
  float_list_.flush();
  if (ticks <= 0) return;
  env_a_.skip(uint32_t(ticks));
  env_b_.skip(uint32_t(ticks));
  lfo_a_.skip(uint32_t(ticks));
  lfo_b_.skip(uint32_t(ticks));
}

}  // namespace synth
