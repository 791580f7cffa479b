// The fast engine: the reference's control tick (voice_reference.cpp), with
// the work skipped whose inputs did not change, and the audio in stages
// where the controls allow it. Every piece it skips is a plain function of
// inputs it compares, so the samples are the reference's (to the bit, up to
// the order in which the engine adds voices together):
// - an LFO nobody reads (no connection with a depth, no envelope trigger on
//   it) is advanced in bulk at the end of the block, unless its shape draws
//   noise or its delay is fading in;
// - envelopes holding still (idle, or at their sustain level exactly, with a
//   gate that cannot change inside the block) and a declick gate at rest are
//   not ticked;
// - connections are evaluated only when a source moved, the oscillator
//   controls only when their inputs moved or a glide is under way (a move of
//   the common pitch alone recomputes just the increments), the filter's
//   controls when the cutoff moved or FMod moves it at audio rate, the
//   output gains when the amplitude or the pan moved.
// Each block is planned at its start (plan_block) as one of:
// - still: nothing can move; no tick at all, oscillators a block at a time,
//   mixer, path and output each in one pass;
// - gains only: what moves reaches just the amplitude and the pan (an
//   envelope's attack, decay or release, a tremolo); the ticks first, then
//   the audio in stages with a gain per sample;
// - busy: LFOs move the oscillators or the filter every sample (or XMod, a
//   glide, smoothing a staged block cannot follow): the plain tick, since
//   nearly everything must be recomputed anyway;
// - moving oscillators: LFOs or envelopes move the oscillators' pitch or
//   width (and maybe the gains and the cutoff) every sample, but the ticks
//   can run ahead of the audio (see controls_run_ahead, voice_moving.cpp):
//   the ticks for the block, then the audio in stages, the oscillators
//   taking an increment, a width and a spread per sample;
// - otherwise the fast tick sample by sample.
#include <algorithm>

#include "synth/voice.h"
#include "synth/voice_fixed.h"

namespace synth {

using namespace voice_fixed;

namespace {

// Envelope "Trigger" values whose gate reads LFO A / LFO B (pulse or delay).
bool trigger_reads_lfo(int trigger, int which) {
  switch (trigger) {
    case 1: case 4: case 6: return which == 0;
    case 2: case 5: case 7: return which == 1;
    default: return false;
  }
}

// The gate of an envelope cannot change within a block: the key only changes
// between blocks, and an LFO's delay that has ended stays ended.
bool gate_fixed(int trigger, const lfo& a, const lfo& b) {
  switch (trigger) {
    case 0: case 3: return true;
    case 4: return a.delay_ended();
    case 5: return b.delay_ended();
    default: return false;
  }
}

}  // namespace

// Smoothing that reaches the sound only through the output gains, the
// mixer, the path's controls or the cutoff's modulation lets the block stay
// staged (see staged_smoothing, staged_tick); a block that would not be
// staged without it is planned as smoothing.
void voice::plan_block() {
  const bool smoothing = int_list_.count > 0 || float_list_.count > 0;
  smoothing_staged_ = smoothing ? staged_smoothing() : 0;
  plan_for(smoothing && smoothing_staged_ == 0);
  if (smoothing_staged_ != 0 && !staged_block_) {
    smoothing_staged_ = 0;
    plan_for(true);
  }
}

// The kinds of smoothing under way that a staged block can follow tick by
// tick: smooth_gains for "Volume", "Panning" and the depths of the tremolo
// and the auto-pan; smooth_filter for the main filter's "Frequency",
// "Resonance", "Saturation", "FMod" and "QMod"; smooth_path for the
// shaper's "Depth", "Symm" and "Tone" and the shaper filter's "Frequency"
// and "Keytrack"; smooth_mixer for the four mixer levels (which the audio
// alone reads); smooth_cutoff for the depths of connections into the main
// filter's cutoff alone (an envelope's or an LFO's amount on it, its
// keytrack). 0 when any other value is smoothing.
uint8_t voice::staged_smoothing() const {
  uint8_t kinds = 0;
  for (int i = 0; i < int_list_.count; ++i) {
    const int32_t* t = int_list_.entries[size_t(i)].target;
    if (t == &volume_ || t == &panning_ || t == &depth_[p::volume_mod_a] || t == &depth_[p::volume_mod_b] ||
        t == &depth_[p::panning_mod_a] || t == &depth_[p::panning_mod_b])
      kinds |= smooth_gains;
    else if (t == &filter_ctl_.frequency || t == &filter_ctl_.saturation)
      kinds |= smooth_filter;
    else if (t == &shflt_frequency_ || t == &depth_[p::shflt_keytrack])
      kinds |= smooth_path;
    else if (depth_reaches_cutoff_only(t))
      kinds |= smooth_cutoff;
    else
      return 0;
  }
  for (int i = 0; i < float_list_.count; ++i) {
    const float* t = float_list_.entries[size_t(i)].target;
    if (t == &filter_ctl_.resonance || t == &filter_ctl_.fmod || t == &filter_ctl_.qmod)
      kinds |= smooth_filter;
    else if (t == &mix_a_ || t == &mix_b_ || t == &mix_ring_ || t == &mix_noise_)
      kinds |= smooth_mixer;
    else if (t == &shaper_depth_ || t == &shaper_bias_ || t == &shaper_tone_)
      kinds |= smooth_path;
    else
      return 0;
  }
  return kinds;
}

// A value some connection of this block reads as its depth, and only
// connections into the main filter's cutoff (false for a value no
// connection reads, such as the shaper filter's keytrack depth, which its
// update reads instead).
bool voice::depth_reaches_cutoff_only(const int32_t* depth) const {
  bool read = false;
  for (int i = 0; i < int_conn_count_; ++i) {
    const int_connection& c = int_conn_[size_t(i)];
    if (c.depth != depth) continue;
    if (c.dest != &dst_cutoff_) return false;
    read = true;
  }
  return read;
}

// The plan of a block, with `smoothing` when values smooth that only the
// busy tick follows.
void voice::plan_for(bool smoothing) {
  bool read[2] = {false, false};
  for (int i = 0; i < int_conn_count_; ++i) {
    const int32_t* s = int_conn_[size_t(i)].source;
    for (int x = 0; x < 2; ++x) read[x] = read[x] || s == &src_.lfo[x] || s == &src_.lfo30[x];
  }
  const lfo* lfos[2] = {&lfo_a_, &lfo_b_};
  for (int x = 0; x < 2; ++x) {
    for (int e = 0; e < 2; ++e) read[x] = read[x] || trigger_reads_lfo(env_trigger_[e], x);
    lfo_ticks_[x] = smoothing || read[x] || lfos[x]->needs_every_tick();
  }
  envelope_gate_inputs in;
  in.key = key_gate_;
  in.delay_ended[0] = lfo_a_.delay_ended();
  in.delay_ended[1] = lfo_b_.delay_ended();
  const envelope* envs[2] = {&env_a_, &env_b_};
  for (int e = 0; e < 2; ++e) {
    const int trigger = env_trigger_[e];
    in.amp = amp_env_select_ == e + 1;
    envelope_settled_[e] = gate_fixed(trigger, lfo_a_, lfo_b_) &&
                           envelope_gate(trigger, in) == envs[e]->gate_is_on() && envs[e]->settled();
  }
  glide_moving_ = !glide_settled(osc_ctl_.glide, osc_in_.pitch, osc_in_.offset);
  declick_settled_ = key_gate_ ? declick_level_ == declick_top : declick_level_ == 0;
  const bool steady = !dirty_ && !smoothing && !xmod_on(osc_in_.xmod_setting) && !glide_moving_ &&
                      ctx_->control_divider == 1;
  static_block_ = steady && smoothing_staged_ == 0 && !filter_follows_audio() && !lfo_ticks_[0] &&
                  !lfo_ticks_[1] && envelope_settled_[0] && envelope_settled_[1] && declick_settled_ &&
                  !amp_switched_ && !gains_fading_;
  // Sources that move in this block reach only the amplitude, the pan and
  // the filter's cutoff: the oscillators hold still, the ticks can run ahead
  // of the audio and hand it a gain and a cutoff per sample.
  const uint32_t moving = moving_sources();
  bool gains_only = steady;
  staged_cutoff_ = false;
  for (int i = 0; i < int_conn_count_ && gains_only; ++i) {
    const int_connection& c = int_conn_[size_t(i)];
    const bool moves = (source_bit(c.source) & moving) != 0;
    gains_only = !moves || c.dest == &dst_amplitude_ || c.dest == &dst_pan_ || c.dest == &dst_cutoff_;
    staged_cutoff_ = staged_cutoff_ || (moves && c.dest == &dst_cutoff_);
  }
  staged_block_ = gains_only && !static_block_;
  // Sources moving every sample into the oscillators or the filter: nearly
  // every control must be recomputed every sample, and checking what moved
  // would only add to it. Such a block runs the plain tick.
  busy_block_ = smoothing || xmod_on(osc_in_.xmod_setting) || glide_moving_;
  for (int i = 0; i < int_conn_count_ && !busy_block_; ++i) {
    const int_connection& c = int_conn_[size_t(i)];
    busy_block_ = (source_bit(c.source) & (moving & (source_lfo_a | source_lfo_b))) != 0 &&
                  c.dest != &dst_amplitude_ && c.dest != &dst_pan_;
  }
  moving_block_ = !static_block_ && !staged_block_ && controls_run_ahead(moving, smoothing);
  busy_evaluated_ = false;
}

// The sources that move in this block, as planned.
uint32_t voice::moving_sources() const {
  return (lfo_ticks_[0] ? source_lfo_a : 0u) | (lfo_ticks_[1] ? source_lfo_b : 0u) |
         (envelope_settled_[0] ? 0u : source_env_a) | (envelope_settled_[1] ? 0u : source_env_b) |
         (declick_settled_ ? 0u : source_gate);
}

// With FMod the main filter's coefficient moves at audio rate, and the
// control tick's damping limit starts from where the last sample left it:
// the tick is then not a function of its inputs alone and runs every time.
bool voice::filter_follows_audio() const {
  const auto fmod_on = [this](const voice_path& p) { return p.filter_mode > 0 && filter_ctl_.fmod != 0.f; };
  return fmod_on(path_) || (path_fade_left_ > 0 && fmod_on(fading_path_));
}

// A's frequency and both increments of the last control record into the
// oscillators (and their fading copies while a waveform fade runs).
void voice::take_increments() {
  hz_a_ = osc_last_.hz_a;
  osc_a_.set_increment(osc_last_.increment_a);
  osc_b_.set_increment(osc_last_.increment_b);
  if (osc_fade_left_[0] > 0) fading_osc_[0].set_increment(osc_last_.increment_a);
  if (osc_fade_left_[1] > 0) fading_osc_[1].set_increment(osc_last_.increment_b);
}

// The increments after a move of the common pitch alone; false when the
// full oscillator controls must run (see osc_control_repitch).
bool voice::repitch_oscillators() {
  fill_osc_inputs();
  if (!osc_control_repitch(osc_in_, ctx_->inv_sample_rate, osc_last_)) return false;
  take_increments();
  return true;
}

// The increments after a move of the common pitch, B's detune or the XMod
// inputs alone, the glide settled (see osc_control_retune).
void voice::retune_oscillators() {
  fill_osc_inputs();
  osc_control_retune(osc_ctl_, osc_in_, ctx_->sample_rate, ctx_->inv_sample_rate, osc_last_);
  take_increments();
}

// One step of a glide under way, nothing set from outside: the glided
// base, then the increments as retune_oscillators makes them (the widths,
// spreads and PCM starts of the last full controls stand).
void voice::reglide_oscillators() {
  fill_osc_inputs();
  osc_control_reglide(osc_ctl_, osc_in_, ctx_->sample_rate, ctx_->inv_sample_rate, osc_last_);
  take_increments();
}

void voice::advance_idle_lfos() {
  if (lfo_skipped_[0] > 0) lfo_a_.skip(lfo_skipped_[0]);
  if (lfo_skipped_[1] > 0) lfo_b_.skip(lfo_skipped_[1]);
  lfo_skipped_[0] = lfo_skipped_[1] = 0;
}

// The LFOs, envelopes and declick gate of this tick, as the plan allows;
// returns which of the sources they feed moved.
uint32_t voice::tick_sources() {
  uint32_t moved = 0;
  if (lfo_ticks_[0]) {
    lfo_a_.tick();
    if (lfo_a_.output() != src_.lfo[0]) moved |= source_lfo_a;
  } else {
    ++lfo_skipped_[0];
  }
  if (lfo_ticks_[1]) {
    lfo_b_.tick();
    if (lfo_b_.output() != src_.lfo[1]) moved |= source_lfo_b;
  } else {
    ++lfo_skipped_[1];
  }
  if (!envelope_settled_[0]) {
    run_envelope(0);
    if (env_a_.level() != src_.env[0]) moved |= source_env_a;
  }
  if (!envelope_settled_[1]) {
    run_envelope(1);
    if (env_b_.level() != src_.env[1]) moved |= source_env_b;
  }
  if (!declick_settled_) {
    run_declick();
    if (declick_level_ != src_.gate) moved |= source_gate;
  }
  return moved;
}

// The common start of the fast and the busy tick: false when the control
// divider skips this sample; smoothing, when some is under way.
bool voice::begin_tick() {
  if (countdown_ > 0) {
    --countdown_;
    return false;
  }
  countdown_ = ctx_->control_divider - 1;
  smoothed_ = int_list_.count > 0 || float_list_.count > 0;
  smoothed_filters_ = (int_list_.filter_entries | float_list_.filter_entries) != 0;
  if (smoothed_) run_smoothing();
  return true;
}

void voice::fast_tick() {
  if (!begin_tick()) return;
  if (smoothed_) dirty_ = true;  // smoothed values may feed any stage: evaluate all of them
  // The sources, and which of them moved.
  uint32_t moved = tick_sources();
  const float x = xmod_on(osc_in_.xmod_setting)
                      ? xmod_modulator(osc_ctl_.xmod, osc_in_.xmod_setting, out_a_, out_b_, ctx_->sample_rate)
                      : 0.f;
  if (!(x == src_.xmod)) {  // a NaN counts as moved
    src_.xmod = x;
    moved |= source_xmod;
  }
  if (dirty_ || moved != 0) publish_sources();

  // The destinations they feed, and what follows from those.
  enum : uint32_t { pitch_moved = 1, oscillators_moved = 2, cutoff_moved = 4, gains_moved = 8 };
  uint32_t changed = 0;
  if (dirty_ || (moved & connection_sources_) != 0) {
    const int32_t amp = dst_amplitude_, pan = dst_pan_, pitch = dst_pitch_, width = dst_width_,
                  detune = dst_detune_, cutoff = dst_cutoff_;
    const float xa = dst_xmod_a_, xb = dst_xmod_b_;
    evaluate_routed_connections();
    if (pitch != dst_pitch_) changed |= pitch_moved;
    if (width != dst_width_ || detune != dst_detune_ || !(xa == dst_xmod_a_) || !(xb == dst_xmod_b_))
      changed |= oscillators_moved;
    if (cutoff != dst_cutoff_) changed |= cutoff_moved;
    if (amp != dst_amplitude_ || pan != dst_pan_) changed |= gains_moved;
  }
  // The common pitch alone (vibrato) needs only the two increments anew.
  if (dirty_ || (changed & oscillators_moved) || glide_moving_ ||
      ((changed & pitch_moved) && !repitch_oscillators())) {
    update_oscillators();
    glide_moving_ = !glide_settled(osc_ctl_.glide, osc_in_.pitch, osc_in_.offset);
  }
  if (dirty_)
    update_filters();
  else if ((changed & cutoff_moved) || filter_follows_audio())
    update_cutoff();
  // A gain fade leaves the gains off their inputs until the tick after it ends.
  if (dirty_ || (changed & gains_moved) || amp_switched_ || gains_fading_) {
    gains_fading_ = amp_switched_ || gain_fade_remaining_ > 0;
    update_output_gains();
  }
  dirty_ = false;
}

// The tick of a block in which only the gains can move (see plan_block):
// the same steps as fast_tick, minus what cannot change.
// The tick of a staged block (see plan_block): the same steps as
// fast_tick, minus what cannot change; the filter's update is left to the
// audio stage (true when it is due at this sample).
//
// Smoothing the plan let stay staged runs first, as at every tick: a
// smoothed gain makes the gain connections and the gains again, a smoothed
// cutoff depth every connection (the filter's update is due where the sum
// moved), a smoothed filter control makes the filter's update due, a
// smoothed shaper or shaper filter control every path control's
// (render_path hands them the tick's values).
uint8_t voice::staged_tick() {
  const bool smoothed = smoothing_staged_ != 0 && (int_list_.count > 0 || float_list_.count > 0);
  if (smoothed) run_smoothing();
  const bool smoothed_gains = smoothed && (smoothing_staged_ & smooth_gains) != 0;
  const bool smoothed_depths = smoothed && (smoothing_staged_ & smooth_cutoff) != 0;
  uint32_t moved = tick_sources();
  bool gains = smoothed_gains, cutoff = smoothed && (smoothing_staged_ & smooth_filter) != 0;
  if (moved != 0) publish_sources();
  if ((moved & connection_sources_) != 0 || smoothed_gains || smoothed_depths) {
    const int32_t amp = dst_amplitude_, pan = dst_pan_, cut = dst_cutoff_;
    if (staged_cutoff_ || smoothed_depths)
      evaluate_connections();
    else
      evaluate_gain_connections();
    gains = gains || amp != dst_amplitude_ || pan != dst_pan_;
    cutoff = cutoff || cut != dst_cutoff_;
  }
  if (gains || amp_switched_ || gains_fading_) {
    gains_fading_ = amp_switched_ || gain_fade_remaining_ > 0;
    update_output_gains();
  }
  if (smoothed && (smoothing_staged_ & smooth_path) != 0) return due_path;
  return cutoff || filter_follows_audio() ? due_cutoff : 0;
}

bool voice::reads_noise() const {
  const auto staircase = [](const oscillator& o) { return o.waveform() == waveform::staircase ||
                                                            o.pending_waveform() == waveform::staircase; };
  const auto noisy = [](const lfo& l) { return l.shape() == lfo::noise || l.shape() == lfo::random; };
  return mix_noise_ != 0.f || float_list_.count > 0 || staircase(osc_a_) || staircase(osc_b_) ||
         (osc_fade_left_[0] > 0 && staircase(fading_osc_[0])) || (osc_fade_left_[1] > 0 && staircase(fading_osc_[1])) ||
         noisy(lfo_a_) || noisy(lfo_b_);
}

// The connection list is made again only when a depth or the amplifier's
// envelope changed: the list of a block holds every connection whose depth
// is not 0 (a depth that glides to 0 may stay in it, adding 0, until then).
void voice::begin_block() {
  if (connections_stale_ || int_list_.count > 0) {
    rebuild_connections();
    connections_stale_ = false;
  }
  plan_block();
}

bool voice::block_is_static() const {
  return static_block_ && osc_fade_left_[0] == 0 && osc_fade_left_[1] == 0 && path_fade_left_ == 0;
}

bool voice::block_is_staged() const {
  return staged_block_ && osc_fade_left_[0] == 0 && osc_fade_left_[1] == 0 && path_fade_left_ == 0 &&
         oscillators_free_running();
}

// A block whose oscillator controls hold still, in stages over the block:
// render_sources (both oscillators and the mixer), then render_path (the
// path and the output). The arithmetic of each sample is render_sample's,
// in the same order. nz holds the noise of each sample (zeros for a voice
// that reads none); gl and gr the gains of each sample, or null for the
// gains in force; cut the cutoff modulation of each sample at which the
// filter's update is due (due[i]), or null when none is.
void voice::render_stages(float* left, float* right, int n, const float* nz, const float* gl, const float* gr,
                          const int32_t* cut, const uint8_t* due) {
  float* mix = ctx_->stage_mix.data();
  render_sources(mix, n, nz);
  render_path(left, right, n, mix, gl, gr, cut, due);
}

// Both oscillators a block at a time, then the mixer of every sample into mix.
void voice::render_sources(float* mix, int n, const float* nz) {
  float* a = ctx_->stage_a.data();
  float* b = ctx_->stage_b.data();
  const auto sounds = [](int w) { return w >= 1 && w <= 5; };
  if (sounds(waveform_[0]) && sounds(waveform_[1])) {
    oscillator::render_block_pair(osc_a_, a, osc_b_, b, n);
  } else {
    for (int which = 0; which < 2; ++which) {
      float* out = which == 0 ? a : b;
      if (sounds(waveform_[which]))
        (which == 0 ? osc_a_ : osc_b_).render_block(out, n);
      else
        std::fill(out, out + n, 0.f);  // "null" (PCM waves never come here: see oscillators_free_running)
    }
  }
  out_a_ = a[n - 1];
  out_b_ = b[n - 1];
  if ((smoothing_staged_ & smooth_mixer) != 0) {  // each tick's levels (staged_controls)
    for (int i = 0; i < n; ++i) mix[i] = ctx_->mixer_values[size_t(i)].mix(a[i], b[i], nz[i]);
    return;
  }
  const voice_mixer mixer = mixer_levels();
  for (int i = 0; i < n; ++i) mix[i] = mixer.mix(a[i], b[i], nz[i]);
}

// The path after the mixer and the output of n samples of mix (spent).
void voice::render_path(float* left, float* right, int n, float* mix, const float* gl, const float* gr,
                        const int32_t* cut, const uint8_t* due) {
  // Nothing after the mixer: the path is the conversion to 2^24 per unit
  // (run_path's own, where the filter's updates run through it).
  const bool bare = path_.filter_mode == 0 && !shaper_on_ && path_.shflt_mode == 0;
  if (bare && !cut) {
    for (int i = 0; i < n; ++i) mix[i] = float(float_to_fixed(mix[i], 16777216.f));
  }
  if (cut) {
    // Smoothed path controls: each tick's values, which the filter's
    // audio-rate modulation and the shaper read at every sample as well.
    const bool follow = (smoothing_staged_ & (smooth_filter | smooth_path)) != 0;
    for (int i = 0; i < n; ++i) {
      if (follow) take_path_controls(ctx_->path_values, i);
      if (due[i]) {
        dst_cutoff_ = cut[i];
        if (due[i] == due_path)
          update_filters();
        else
          update_cutoff();
      }
      const float s = float(run_path(path_, mix[i]));
      left[i] += gl[i] * s;
      right[i] += gr[i] * s;
    }
  } else if (gl) {
    for (int i = 0; i < n; ++i) {
      const float s = bare ? mix[i] : float(run_path(path_, mix[i]));
      left[i] += gl[i] * s;
      right[i] += gr[i] * s;
    }
  } else if (bare) {
    const float l = gain_left_, r = gain_right_;
    for (int i = 0; i < n; ++i) {
      left[i] += l * mix[i];
      right[i] += r * mix[i];
    }
  } else {
    const float l = gain_left_, r = gain_right_;
    for (int i = 0; i < n; ++i) {
      const float s = float(run_path(path_, mix[i]));
      left[i] += l * s;
      right[i] += r * s;
    }
  }
  frames_rendered_ += n;
}

// Oscillators the stages can run a block at a time: no sync pair, no
// staircase (it takes the noise of its own sample), no PCM wave (its player
// follows the oscillator sample by sample).
bool voice::oscillators_free_running() const {
  const auto free = [](const oscillator& o, int w) {
    return !o.sync_master() && w < waveform::count && w != waveform::staircase &&
           o.pending_waveform() != waveform::staircase;
  };
  return free(osc_a_, waveform_[0]) && free(osc_b_, waveform_[1]);
}

void voice::render_static(float* left, float* right, int n, bool noise) {
  float* nz = ctx_->stage_noise.data();
  if (oscillators_free_running()) {
    for (int i = 0; i < n; ++i) {
      if (noise) ctx_->noise.next();
      nz[i] = noise ? ctx_->noise.out_float : 0.f;
    }
    render_stages(left, right, n, nz, nullptr, nullptr, nullptr, nullptr);
  } else {
    for (int i = 0; i < n; ++i) {
      if (noise) ctx_->noise.next();
      render_sample(left + i, right + i);
    }
  }
  lfo_skipped_[0] += uint32_t(n);
  lfo_skipped_[1] += uint32_t(n);
  advance_idle_lfos();
}

// A staged block in which the envelopes are all that moves and the one
// connection reading them is the amplitude (the amplifier's envelope times
// "Volume": no tremolo, no pan modulation, no cutoff moving). This is how
// most notes spend their attack, decay and release.
bool voice::gains_follow_amp_envelope() const {
  if (lfo_ticks_[0] || lfo_ticks_[1] || !declick_settled_ || staged_cutoff_ || gain_conn_count_ > 1 ||
      smoothing_staged_ != 0)
    return false;
  // The one gain connection, if any, is the amplifier's source (rebuild_connections puts it first).
  if (gain_conn_count_ == 1 && (int_conn_[0].kind != 0 || int_conn_[0].dest != &dst_amplitude_ ||
                                int_conn_[0].depth != &volume_))
    return false;
  if (amp_switched_ || gains_fading_ || gain_fade_remaining_ > 0 || dst_pan_ != 0) return false;
  for (int e = 0; e < 2; ++e)
    if (!envelope_settled_[e] && !gate_fixed(env_trigger_[e], lfo_a_, lfo_b_)) return false;
  return true;
}

// The block of gains_follow_amp_envelope: the envelopes tick a block at a
// time (their gates cannot change in it, so they follow them once), then the
// gains are made again only at the samples where the amplifier's level
// moved. The same numbers as staged_tick's, sample by sample.
bool voice::render_amp_envelope(float* left, float* right, int n, bool noise) {
  float* nz = ctx_->stage_noise.data();
  float* gl = ctx_->stage_gain_left.data();
  float* gr = ctx_->stage_gain_right.data();
  const int frames = amp_envelope_controls(nz, gl, gr, n, noise);
  render_stages(left, right, frames, nz, gl, gr, nullptr, nullptr);
  return end_staged_block(frames, n);
}

// The controls of render_amp_envelope: each sample's noise and gains until
// the voice stops; returns the frames it sounds.
int voice::amp_envelope_controls(float* nz, float* gl, float* gr, int n, bool noise) {
  int32_t* level = ctx_->stage_level.data();
  const bool tick_a = !envelope_settled_[0], tick_b = !envelope_settled_[1];
  if (tick_a) env_a_.follow_gate(envelope_gate_now(0));
  if (tick_b) env_b_.follow_gate(envelope_gate_now(1));
  const int amp = amp_env_select_ - 1;  // -1: the declick gate, which holds still here
  int32_t changed = 0;  // non-zero once an envelope left its published level
  const int frames = amp_envelope_levels(level, n, tick_a, tick_b, changed);
  for (int i = 0; i < frames; ++i) {
    if (noise) ctx_->noise.next();
    nz[i] = noise ? ctx_->noise.out_float : 0.f;
  }
  // The amplitude connection where the level moved; at "Volume" 0 there is
  // none and the gains hold. With no fade under way and the pan holding
  // (gains_follow_amp_envelope), update_output_gains comes down to the
  // amplitude times weights fixed for the block: its arithmetic here, in
  // locals the stores into gl and gr need not reload.
  follow_pan((panning_ >> 16) + dst_pan_);
  const float velocity_gain = velocity_gain_, weight_left = pan_weight_left_, weight_right = pan_weight_right_,
              unison_left = unison_left_, unison_right = unison_right_;
  const int32_t volume = volume_;
  const bool connected = gain_conn_count_ > 0;
  int32_t amplitude = dst_amplitude_;
  float left = gain_left_, right = gain_right_;
  int32_t seen = amp < 0 ? src_.gate : src_.env[amp];
  for (int i = 0; i < frames; ++i) {
    if (level[i] != seen && connected) {
      seen = level[i];
      const int32_t a = saturate32((int64_t(seen) * volume) >> 31);
      if (a != amplitude) {
        amplitude = a;
        const float v = float(a) * output_scale * velocity_gain * inv_2_24;
        left = weight_left * v * unison_left;
        right = weight_right * v * unison_right;
      }
    }
    gl[i] = left;
    gr[i] = right;
  }
  dst_amplitude_ = amplitude;
  gain_left_ = left;
  gain_right_ = right;
  if (changed != 0) publish_sources();
  lfo_skipped_[0] += uint32_t(frames);
  lfo_skipped_[1] += uint32_t(frames);
  return frames;
}

// The envelopes' ticks of amp_envelope_controls, both side by side a block
// at a time (envelope::run): the amplifier's level of every sample into
// `level` until the stop rule ends the note. Without a fade pending only a
// level of 0 can end the note, and the stop rule reads no envelope but the
// amplifier's; under the declick gate it reads none, and the gate holds
// still. Returns the frames the voice sounds.
int voice::amp_envelope_levels(int32_t* level, int n, bool tick_a, bool tick_b, int32_t& changed) {
  const int amp = amp_env_select_ - 1;
  envelope* const env[2] = {&env_a_, &env_b_};
  const bool ticks[2] = {tick_a, tick_b};
  const int32_t start[2] = {src_.env[0], src_.env[1]};
  for (int e = 0; e < 2; ++e)
    if (!ticks[e]) changed |= env[e]->level() ^ start[e];
  int32_t unused[voice_context::max_block];
  if (amp >= 0 && ticks[amp]) {
    const int other = 1 - amp;
    envelope* const second = ticks[other] ? env[other] : nullptr;
    int frames = 0;
    while (frames < n) {
      frames += envelope::run(*env[amp], second, level + frames, n - frames, true, start[amp], start[other], changed);
      if (level[frames - 1] == 0 && should_stop()) break;
    }
    return frames;
  }
  const int32_t lv = amp < 0 ? src_.gate : env[amp]->level();
  const int frames = (amp < 0 || lv == 0) && should_stop() ? 1 : n;
  std::fill(level, level + frames, lv);
  if (tick_a || tick_b) {
    const int e = tick_a ? 0 : 1;
    envelope::run(*env[e], tick_a && tick_b ? env[1] : nullptr, unused, frames, false, start[e], start[1], changed);
  }
  return frames;
}

// The end of a staged block the voice sounded `frames` of n frames of:
// false when it ended in it (the rest of the block caught up).
bool voice::end_staged_block(int frames, int n) {
  advance_idle_lfos();
  if (frames == n) return true;
  active_ = false;
  catch_up(n - frames);
  return false;
}

// A staged block: the ticks first, each sample's gains and cutoff kept, then
// the audio in stages. Returns false when the voice ended in it.
bool voice::render_staged(float* left, float* right, int n, bool noise) {
  if (gains_follow_amp_envelope()) return render_amp_envelope(left, right, n, noise);
  float* nz = ctx_->stage_noise.data();
  float* gl = ctx_->stage_gain_left.data();
  float* gr = ctx_->stage_gain_right.data();
  int32_t* cut = ctx_->stage_cutoff.data();
  uint8_t* due = ctx_->stage_cutoff_due.data();
  bool any_due = false;
  const int frames = staged_controls(nz, gl, gr, cut, due, n, noise, any_due);
  render_stages(left, right, frames, nz, gl, gr, any_due ? cut : nullptr, due);
  return end_staged_block(frames, n);
}

// The ticks of a staged block: each sample's noise, gains, cutoff
// modulation and whether the filter's update is due there (any_due: at
// some sample), until the voice stops; returns the frames it sounds.
int voice::staged_controls(float* nz, float* gl, float* gr, int32_t* cut, uint8_t* due, int n, bool noise,
                           bool& any_due) {
  any_due = false;
  const bool follow_path = (smoothing_staged_ & (smooth_filter | smooth_path)) != 0;
  const bool follow_mixer = (smoothing_staged_ & smooth_mixer) != 0;
  for (int i = 0; i < n; ++i) {
    if (noise) ctx_->noise.next();
    nz[i] = noise ? ctx_->noise.out_float : 0.f;
    due[i] = staged_tick();
    any_due = any_due || due[i];
    if (follow_path) keep_path_controls(ctx_->path_values, i);
    if (follow_mixer) ctx_->mixer_values[size_t(i)] = mixer_levels();
    cut[i] = dst_cutoff_;
    gl[i] = gain_left_;
    gr[i] = gain_right_;
    if (should_stop()) return i + 1;
  }
  return n;
}

// The smoothed path controls of the tick at sample i, kept for the audio
// stage, and handed back to the path there.
void voice::keep_path_controls(voice_context::path_stage& ps, int i) const {
  const size_t k = size_t(i);
  ps.frequency[k] = filter_ctl_.frequency;
  ps.saturation[k] = filter_ctl_.saturation;
  ps.resonance[k] = filter_ctl_.resonance;
  ps.fmod[k] = filter_ctl_.fmod;
  ps.qmod[k] = filter_ctl_.qmod;
  ps.shaper_depth[k] = shaper_depth_;
  ps.shaper_bias[k] = shaper_bias_;
  ps.shaper_tone[k] = shaper_tone_;
  ps.shflt_frequency[k] = shflt_frequency_;
  ps.shflt_keytrack[k] = depth_[p::shflt_keytrack];
}

void voice::take_path_controls(const voice_context::path_stage& ps, int i) {
  const size_t k = size_t(i);
  filter_ctl_.frequency = ps.frequency[k];
  filter_ctl_.saturation = ps.saturation[k];
  filter_ctl_.resonance = ps.resonance[k];
  filter_ctl_.fmod = ps.fmod[k];
  filter_ctl_.qmod = ps.qmod[k];
  shaper_depth_ = ps.shaper_depth[k];
  shaper_bias_ = ps.shaper_bias[k];
  shaper_tone_ = ps.shaper_tone[k];
  shflt_frequency_ = ps.shflt_frequency[k];
  depth_[p::shflt_keytrack] = ps.shflt_keytrack[k];
}

// A static or staged block whose path can run beside other voices' (the
// engine groups voices with one filter variant, see engine_staged.cpp):
// oscillators a block at a time and a main filter to share.
bool voice::block_stages_in_lanes() const {
  // The lanes make a block's coefficients from one set of filter controls:
  // a smoothed filter, shaper or shaper filter control keeps the voice on
  // its own.
  return path_.filter_mode > 0 && (smoothing_staged_ & (smooth_filter | smooth_path)) == 0 &&
         (block_is_staged() || (block_is_static() && oscillators_free_running()) || moving_block_);
}

// Stage 1 of such a block for a voice that reads no noise: the controls of
// every sample (gains, cutoff modulation, where the filter's update is due)
// and the oscillators and the mixer into `st`, as render_static and
// render_staged make them. The path and the output follow in the lanes
// (lanes_filter_inputs on). Returns the frames the voice sounds; the rest of
// the block is caught up.
int voice::staged_lane_sources(voice_context::lane_stage& st, int n) {
  if (moving_block_) return moving_lane_sources(st, n);
  float* nz = ctx_->stage_noise.data();
  int frames = n;
  bool any_due = false;
  if (block_is_static()) {
    std::fill(nz, nz + n, 0.f);
    std::fill(st.gain_left.begin(), st.gain_left.begin() + n, gain_left_);
    std::fill(st.gain_right.begin(), st.gain_right.begin() + n, gain_right_);
    lfo_skipped_[0] += uint32_t(n);
    lfo_skipped_[1] += uint32_t(n);
  } else if (gains_follow_amp_envelope()) {
    frames = amp_envelope_controls(nz, st.gain_left.data(), st.gain_right.data(), n, false);
  } else {
    frames = staged_controls(nz, st.gain_left.data(), st.gain_right.data(), st.cutoff.data(), st.due.data(), n,
                             false, any_due);
  }
  if (!any_due) {  // the filter's controls hold through the block
    std::fill(st.due.begin(), st.due.begin() + frames, uint8_t(0));
    std::fill(st.cutoff.begin(), st.cutoff.begin() + frames, dst_cutoff_);
  }
  render_sources(st.mix.data(), frames, nz);
  st.frames = frames;
  end_staged_block(frames, n);
  return frames;
}

bool voice::step(float* left, float* right, int i, int n, bool noise) {
  return step_as<false>(left, right, i, n, noise);
}

// A sample with the fast tick, or with the busy tick; false when the voice
// ended on it (the rest of the block caught up).
template <bool busy>
bool voice::step_as(float* left, float* right, int i, int n, bool noise) {
  if (noise) ctx_->noise.next();
  if constexpr (busy)
    busy_tick(false);
  else
    fast_tick();
  render_sample(left + i, right + i);
  if (!should_stop()) return true;
  active_ = false;
  advance_idle_lfos();
  catch_up(n - i - 1);
  return false;
}

void voice::end_block() { advance_idle_lfos(); }

bool voice::block_is_busy() const { return busy_block_ && !static_block_ && !staged_block_ && !moving_block_; }

// The tick of a busy block: the reference's control tick every sample,
// minus the pieces the plan shows idle (settled envelopes and declick gate,
// LFOs nobody reads), the filter's own controls instead of every path
// control unless something was set, and the oscillator controls narrowed to
// what moved. An LFO on the pitch and the width of A (vibrato and PWM, the
// common busy case) then costs two increments and a width, not the whole
// oscillator control tick.
//
// With `defer_cutoff` the main filter's update after a clean start is left to
// the caller, which runs it right before the filter's sample: true when it
// is due at this tick (with dst_cutoff_ as its modulation).
bool voice::busy_tick(bool defer_cutoff) {
  if (!begin_tick()) return false;
  const uint32_t moved = tick_sources();
  src_.xmod = xmod_modulator(osc_ctl_.xmod, osc_in_.xmod_setting, out_a_, out_b_, ctx_->sample_rate);
  const busy_inputs before{dst_pitch_, dst_width_, dst_detune_, dst_cutoff_, dst_amplitude_, dst_xmod_a_, dst_xmod_b_};
  // The integer connections are a function of the sources and the depths:
  // with no source moved, no depth (nor "Volume") smoothing and nothing set
  // from outside, their sums stand. The XMod inputs follow the modulator
  // and the float-smoothed XMod depths at every tick.
  // The first tick of a block makes every control anew, whatever ran before.
  const bool fresh = dirty_ || !busy_evaluated_;
  if (fresh || moved != 0 || int_list_.count > 0) {
    publish_sources();
    evaluate_routed_connections();
  } else {
    dst_xmod_a_ = src_.xmod * xmod_depth_a_;
    dst_xmod_b_ = src_.xmod * xmod_depth_b_;
  }
  busy_evaluated_ = true;
  return busy_controls(before, fresh, defer_cutoff);
}

// The busy tick after the connections: what the destinations reach, given
// their values at the last tick.
// With the glide settled, a move of the common pitch, of B's detune or of
// the XMod inputs (which XMod moves at every sample) changes only B's ratio
// and the two increments, and a move of A's width only A's width and spread.
//
// The filter's controls are a function of the cutoff modulation and the
// filter's parameters (which only smoothing or a change from outside
// moves), except under FMod (filter_follows_audio); the output gains of
// the amplitude, the pan position and the amplifier's fade. Neither is
// made again while its inputs stand.
bool voice::busy_controls(const busy_inputs& before, bool fresh, bool defer_cutoff) {
  if (dirty_) {
    update_oscillators();
    glide_moving_ = !glide_settled(osc_ctl_.glide, osc_in_.pitch, osc_in_.offset);
  } else {
    if (glide_moving_) {
      reglide_oscillators();
      glide_moving_ = !glide_settled(osc_ctl_.glide, osc_in_.pitch, osc_in_.offset);
    } else if (before.pitch != dst_pitch_ || before.detune != dst_detune_ || !(before.xmod_a == dst_xmod_a_) ||
               !(before.xmod_b == dst_xmod_b_)) {
      retune_oscillators();
    }
    if (before.width != dst_width_) rewidth_oscillator_a();
  }
  bool cutoff_due = false;
  if (dirty_ || smoothed_filters_)
    update_filters();
  else if (defer_cutoff)
    cutoff_due = true;
  else if (fresh || before.cutoff != dst_cutoff_ || filter_follows_audio())
    update_cutoff();
  // A gain fade leaves the gains off their inputs until the tick after it ends.
  if (fresh || before.amplitude != dst_amplitude_ || (panning_ >> 16) + dst_pan_ != pan_applied_ || amp_switched_ ||
      gains_fading_ || gain_fade_remaining_ > 0) {
    gains_fading_ = amp_switched_ || gain_fade_remaining_ > 0;
    update_output_gains();
  }
  dirty_ = false;
  return cutoff_due;
}

// A busy block: the busy tick and a sample, frame by frame. The next block
// starts with a full evaluation (the LFOs left out were published stale).
void voice::render_busy(float* left, float* right, int n, bool noise) {
  for (int i = 0; i < n; ++i)
    if (!step_as<true>(left, right, i, n, noise)) return;
  advance_idle_lfos();
  dirty_ = true;
}

int voice::render_alone(float* left, float* right, int n) {
  const int32_t before = frames_rendered_;
  render_planned(left, right, n, false);
  return frames_rendered_ - before;
}

void voice::render(float* left, float* right, int n) {
  begin_block();
  render_planned(left, right, n, true);
}

// The block as plan_block planned it. A block that would run the fast tick
// sample by sample only because a value was set from outside (dirty_: a
// host's automation, a program change) takes that change's full tick on its
// first sample alone and plans the rest anew, where it mostly holds still
// again: one automated setting then costs the sounding voices a tick each,
// not the block sample by sample. So does a dirty block that would be busy
// only for smoothing a staged block can follow (as after a busy block): an
// automated "Volume" or filter "Frequency" keeps the voices staged while it
// glides. The plan is the same at any tick boundary, so the samples are the
// same.
void voice::render_planned(float* left, float* right, int n, bool noise) {
  if (block_is_static()) {
    render_static(left, right, n, noise);
    return;
  }
  if (block_is_staged()) {
    render_staged(left, right, n, noise);
    return;
  }
  if (moving_block_) {
    render_moving(left, right, n, noise);
    return;
  }
  if (block_is_busy() && !(replans_after_change(n) && staged_smoothing() != 0)) {
    render_busy(left, right, n, noise);
    return;
  }
  if (replans_after_change(n)) {
    if (!step(left, right, 0, n, noise)) return;
    plan_block();
    render_planned(left + 1, right + 1, n - 1, noise);
    return;
  }
  for (int i = 0; i < n; ++i)
    if (!step(left, right, i, n, noise)) return;
  end_block();
}

// The first tick of a dirty block clears dirty_ (the divider ticks every
// sample), so the block is planned again at most once.
bool voice::replans_after_change(int n) const { return dirty_ && n > 1 && ctx_->control_divider == 1; }

}  // namespace synth
