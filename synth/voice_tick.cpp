// The control-tick pieces of a voice: connections, smoothing, envelopes,
// declick, oscillator and filter controls, output gains. Both engines call
// them; they are plain functions of the voice state.
#include <algorithm>
#include <cmath>

#include "synth/dsp/output_gains.h"
#include "synth/dsp/svf_kernel.h"
#include "synth/voice.h"
#include "synth/voice_fixed.h"

namespace synth {

using namespace voice_fixed;

namespace {

// Connections past the gains from which the table sums them (see
// apply_routed_connections): a walk of the list costs a few loads and a
// branch per connection, the table sixteen products whatever the count.
constexpr int routed_table_from = 6;

// The first depth of each routed destination (pitch, width, detune, cutoff);
// its four sources follow in the order envelope A, envelope B, LFO A, LFO B.
constexpr int first_depth_of[4] = {p::pitch_env_a, p::width_env_a, p::detune_env_a, p::filter_env_a};

}  // namespace

void voice::rebuild_connections() {
  int n = 0;
  connection_sources_ = source_xmod;  // the XMod inputs always read it (evaluate_connections)
  auto add = [&](const int32_t* src, int depth_index, int32_t* dest, int32_t kind) {
    const int32_t* depth = depth_index < 0 ? &volume_ : &depth_[size_t(depth_index)];
    if (*depth == 0) return;
    int_conn_[size_t(n++)] = {src, depth, dest, kind};
    connection_sources_ |= source_bit(src);
  };
  const int32_t* amp_src = amp_env_select_ == 0 ? &src_.gate : &src_.env[amp_env_select_ - 1];
  add(amp_src, -1, &dst_amplitude_, 0);
  add(&src_.lfo30[0], p::volume_mod_a, &dst_amplitude_, 1);
  add(&src_.lfo30[1], p::volume_mod_b, &dst_amplitude_, 1);
  add(&src_.lfo[0], p::panning_mod_a, &dst_pan_, 0);
  add(&src_.lfo[1], p::panning_mod_b, &dst_pan_, 0);
  gain_conn_count_ = n;
  int32_t* dest_of[4] = {&dst_pitch_, &dst_width_, &dst_detune_, &dst_cutoff_};
  for (int d = 0; d < 4; ++d) {
    if (d == 3) add(&src_.keytrack, p::filter_keytrack, &dst_cutoff_, 0);
    add(&src_.env15[0], first_depth_of[d], dest_of[d], 0);
    add(&src_.env15[1], first_depth_of[d] + 1, dest_of[d], 0);
    add(&src_.lfo[0], first_depth_of[d] + 2, dest_of[d], 0);
    add(&src_.lfo[1], first_depth_of[d] + 3, dest_of[d], 0);
  }
  int_conn_count_ = n;
  for (int d = 0; d < 4; ++d)
    for (int s = 0; s < 4; ++s) routed_mask_[size_t(d)][size_t(s)] = depth_[size_t(first_depth_of[d] + s)] != 0 ? -1 : 0;
  routed_keytrack_mask_ = depth_[p::filter_keytrack] != 0 ? -1 : 0;
  routed_table_ = int_conn_count_ - gain_conn_count_ >= routed_table_from;
}

uint32_t voice::source_bit(const int32_t* src) const {
  if (src == &src_.keytrack) return source_keytrack;
  if (src == &src_.gate) return source_gate;
  if (src == &src_.env[0] || src == &src_.env15[0]) return source_env_a;
  if (src == &src_.env[1] || src == &src_.env15[1]) return source_env_b;
  if (src == &src_.lfo[0] || src == &src_.lfo30[0]) return source_lfo_a;
  return source_lfo_b;
}

// What the connections read this tick (the XMod modulator is published by
// the caller, which knows whether it runs).
void voice::publish_sources() {
  src_.keytrack = pitch_fixed_ >> 9;
  src_.gate = declick_level_;
  src_.env[0] = env_a_.level();
  src_.env[1] = env_b_.level();
  src_.env15[0] = src_.env[0] >> 15;
  src_.env15[1] = src_.env[1] >> 15;
  src_.lfo[0] = lfo_a_.output();
  src_.lfo[1] = lfo_b_.output();
  src_.lfo30[0] = src_.lfo[0] * 32768;
  src_.lfo30[1] = src_.lfo[1] * 32768;
}

// An empty list's clock may stand still: an entry's end is counted from
// the clock as the entry is added.
void voice::run_smoothing() {
  if (int_list_.count > 0) int_list_.run(smooth_c_q32_, smooth_c_);
  if (float_list_.count > 0) float_list_.run(smooth_c_q32_, smooth_c_);
}

void voice::run_envelopes() {
  run_envelope(0);
  run_envelope(1);
}

// Envelope e (0 A, 1 B): its gate by "Trigger", then one step.
void voice::run_envelope(int e) {
  envelope& env = e == 0 ? env_a_ : env_b_;
  env.follow_gate(envelope_gate_now(e));
  env.tick();
}

// The gate of envelope e at this tick by its "Trigger".
bool voice::envelope_gate_now(int e) const {
  const int trigger = env_trigger_[e];
  if (trigger == 0 || trigger == 3) return key_gate_;  // "Gate", "Force Reset": the key alone
  envelope_gate_inputs in;
  in.key = key_gate_;
  in.pulse[0] = lfo_a_.pulse_on();
  in.pulse[1] = lfo_b_.pulse_on();
  in.delay_ended[0] = lfo_a_.delay_ended();
  in.delay_ended[1] = lfo_b_.delay_ended();
  in.amp = amp_env_select_ == e + 1;
  return envelope_gate(trigger, in);
}

int32_t voice::declick_step(int32_t level) const {
  if (key_gate_) {
    level += int32_t((int64_t(q31_max - level) * declick_attack_) >> 31);
    return level > declick_top ? declick_top : level;
  }
  if (level <= declick_silent) return 0;
  return level - int32_t((int64_t(level) * declick_release_) >> 31);
}

void voice::evaluate_connections() {
  dst_amplitude_ = dst_pan_ = dst_pitch_ = dst_width_ = dst_detune_ = dst_cutoff_ = 0;
  apply_connections(0, int_conn_count_);
  // The two XMod inputs, in place rather than through a list of pointers:
  // the oscillator controls read them right away, and two stores through
  // pointers read back as one pair would wait for both to land.
  dst_xmod_a_ = src_.xmod * xmod_depth_a_;
  dst_xmod_b_ = src_.xmod * xmod_depth_b_;
}

// evaluate_connections for the fast engine's ticks: the same numbers, the
// connections past the gains from the table when the voice holds enough.
void voice::evaluate_routed_connections() {
  if (!routed_table_) return evaluate_connections();
  dst_amplitude_ = dst_pan_ = 0;
  apply_connections(0, gain_conn_count_);
  apply_routed_connections();
  dst_xmod_a_ = src_.xmod * xmod_depth_a_;
  dst_xmod_b_ = src_.xmod * xmod_depth_b_;
}

// Only the amplitude and the pan, whose connections lead the list.
void voice::evaluate_gain_connections() {
  dst_amplitude_ = dst_pan_ = 0;
  apply_connections(0, gain_conn_count_);
}

// The connections of one destination follow each other in the list: the
// sum runs in a register and is stored once per destination, instead of
// each connection reading back the store of the one before. The additions
// skip the saturation of each step: only the first connection of the
// amplitude (its envelope or gate, at most 2^30, times "Volume") comes near
// full scale, every other source stays below 2^23 and no destination takes
// more than five, so no partial sum leaves Q31 and the saturation would
// never act before the last. A bipolar multiply only shrinks its
// destination; it reads the sum so far as connect() does.
void voice::apply_connections(int from, int to) {
  if (from >= to) return;
  int32_t* dest = int_conn_[size_t(from)].dest;
  int64_t sum = *dest;
  for (int i = from; i < to; ++i) {
    const int_connection& c = int_conn_[size_t(i)];
    if (c.dest != dest) {
      *dest = saturate32(sum);
      dest = c.dest;
      sum = *dest;
    }
    if (c.kind == 0)
      sum += (int64_t(*c.source) * *c.depth) >> 31;
    else
      sum = connect(saturate32(sum), *c.source, *c.depth, c.kind);
  }
  *dest = saturate32(sum);
}

// apply_connections over the list past the gains, from the table: a
// destination's sum is its connections' products added in 64 bits and
// saturated once (as apply_connections adds them), and a connection the
// list leaves out has its depth masked to 0, adding 0. Sixteen products
// side by side instead of a walk through pointers, one after another.
void voice::apply_routed_connections() {
  const int64_t source[4] = {src_.env15[0], src_.env15[1], src_.lfo[0], src_.lfo[1]};
  int64_t sum[4];
  for (int d = 0; d < 4; ++d) {
    const int32_t* depth = &depth_[size_t(first_depth_of[d])];
    const std::array<int32_t, 4>& mask = routed_mask_[size_t(d)];
    sum[d] = ((source[0] * (depth[0] & mask[0])) >> 31) + ((source[1] * (depth[1] & mask[1])) >> 31) +
             ((source[2] * (depth[2] & mask[2])) >> 31) + ((source[3] * (depth[3] & mask[3])) >> 31);
  }
  sum[3] += (int64_t(src_.keytrack) * (depth_[p::filter_keytrack] & routed_keytrack_mask_)) >> 31;
  dst_pitch_ = saturate32(sum[0]);
  dst_width_ = saturate32(sum[1]);
  dst_detune_ = saturate32(sum[2]);
  dst_cutoff_ = saturate32(sum[3]);
}

void voice::update_oscillators() {
  fill_osc_inputs();
  apply_osc_controls();
}

void voice::fill_osc_inputs() {
  osc_in_.tune_2 = bend_ratio_;
  osc_in_.pitch_mod = dst_pitch_;
  osc_in_.detune_b_mod = dst_detune_;
  osc_in_.width_mod = float(dst_width_);
  osc_in_.xmod_a = dst_xmod_a_;
  osc_in_.xmod_b = dst_xmod_b_;
}

void voice::apply_osc_controls() {
  osc_control_tick(osc_ctl_, osc_in_, ctx_->sample_rate, osc_last_);
  const osc_control_result& r = osc_last_;
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

// Only the width modulation of oscillator A moved since the last full
// oscillator controls: its pending width and PCM start (what
// apply_osc_controls would write; the rest would be written unchanged).
void voice::rewidth_oscillator_a() {
  fill_osc_inputs();
  osc_control_rewidth(osc_in_, osc_last_);
  osc_a_.set_pending_width(osc_last_.pending_width_a);
  osc_a_.set_spread(waveform_[0] == 2 ? osc_last_.pcm_start_a : 0.f);
  pcm_a_.set_start(osc_last_.pcm_start_a);
  if (osc_fade_left_[0] > 0) fading_osc_[0].set_pending_width(osc_last_.pending_width_a);
}

void voice::update_path_controls(voice_path& path) {
  if (path.filter_mode > 0) path.filter.update(filter_ctl_);
  if (path.shflt_mode > 0) {
    const int32_t keytrack = int32_t((int64_t(src_.keytrack) * depth_[p::shflt_keytrack]) >> 31);
    path.shflt.update(shflt_frequency_, keytrack, shflt_resonance_);
  }
}

// Only the main filter's cutoff modulation moved (or FMod moves it): the
// filter's own controls, not the shaper's nor the shaper filter's.
void voice::update_cutoff() {
  filter_ctl_.cutoff_mod = dst_cutoff_;
  if (path_.filter_mode > 0) path_.filter.update(filter_ctl_);
  if (path_fade_left_ > 0 && fading_path_.filter_mode > 0) fading_path_.filter.update(filter_ctl_);
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
  shaper_.set_depth(x);
}

// The pan law only when the pan moved: the weights are the same numbers.
void voice::follow_pan(int32_t pan_now) {
  if (pan_now == pan_applied_) return;
  pan_applied_ = pan_now;
  output_gains::pan_weights(pan_now, pan_weight_left_, pan_weight_right_);
}

// update_output_gains for n ticks with no amplifier fade under way, from
// each tick's amplitude and pan; the gains of every tick in gl and gr.
void voice::output_gains_block(const int32_t* amplitude, const int32_t* pan, float* gl, float* gr, int n) {
  // Locals, so that the stores into gl and gr need not reload them.
  const int32_t centre = panning_ >> 16;
  const float velocity_gain = velocity_gain_, unison_left = unison_left_, unison_right = unison_right_;
  int32_t applied = pan_applied_;
  float weight_left = pan_weight_left_, weight_right = pan_weight_right_;
  // A register at a time the pan law runs for every tick: the weights are a
  // function of the pan alone, so they are the numbers the memo would keep.
  const output_gains::gain_run run{amplitude,     pan,         centre, output_scale, velocity_gain, inv_2_24,
                                   unison_left, unison_right, gl,     gr,           n};
  int i = output_gains::run(run);
  if (i > 0) {
    applied = centre + pan[i - 1];
    output_gains::pan_weights(applied, weight_left, weight_right);
  }
  for (; i < n; ++i) {
    const int32_t pan_now = centre + pan[i];
    if (pan_now != applied) {
      applied = pan_now;
      output_gains::pan_weights(pan_now, weight_left, weight_right);
    }
    const float v = float(amplitude[i]) * output_scale * velocity_gain * inv_2_24;
    gl[i] = weight_left * v * unison_left;
    gr[i] = weight_right * v * unison_right;
  }
  pan_applied_ = applied;
  pan_weight_left_ = weight_left;
  pan_weight_right_ = weight_right;
  if (n <= 0) return;
  dst_amplitude_ = amplitude[n - 1];
  dst_pan_ = pan[n - 1];
  gain_left_ = gl[n - 1];
  gain_right_ = gr[n - 1];
}

void voice::update_output_gains() {
  follow_pan((panning_ >> 16) + dst_pan_);
  const float v = float(dst_amplitude_) * output_scale * velocity_gain_ * inv_2_24;
  const float left = pan_weight_left_ * v * unison_left_;
  const float right = pan_weight_right_ * v * unison_right_;
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

}  // namespace synth
