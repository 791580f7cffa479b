// The fast engine: the reference's control tick (voice_reference.cpp), with
// the work skipped whose inputs did not change since it last ran. Every piece
// it skips is a plain function of inputs it compares, so the samples are the
// reference's to the bit:
// - an LFO nobody reads (no connection with a depth, no envelope trigger on
//   it) is advanced in bulk at the end of the block, unless its shape draws
//   noise or its delay is fading in;
// - envelopes holding still (idle, or at their sustain level exactly, with a
//   gate that cannot change inside the block) and a declick gate at rest are
//   not ticked;
// - connections are evaluated only when a source moved, the oscillator
//   controls only when their inputs moved or a glide is under way, the
//   filter controls likewise (always while FMod moves the cutoff at audio
//   rate), the output gains likewise;
// - a block in which nothing can move runs no control tick at all.
// A held note spends almost all its time in such blocks; attack, decay and
// modulated sounds tick only what moves.
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

void voice::plan_block() {
  const bool smoothing = int_list_.count > 0 || float_list_.count > 0;
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
  envelopes_settled_ = true;
  for (int e = 0; e < 2; ++e) {
    const int trigger = env_trigger_[e];
    in.amp = amp_env_select_ == e + 1;
    const bool still = gate_fixed(trigger, lfo_a_, lfo_b_) &&
                       envelope_gate(trigger, in) == envs[e]->gate_is_on() && envs[e]->settled();
    envelopes_settled_ = envelopes_settled_ && still;
  }
  declick_settled_ = key_gate_ ? declick_level_ == declick_top : declick_level_ == 0;
  static_block_ = !dirty_ && !filter_follows_audio() && !smoothing && !lfo_ticks_[0] && !lfo_ticks_[1] && envelopes_settled_ &&
                  declick_settled_ && !xmod_on(osc_in_.xmod_setting) &&
                  glide_settled(osc_ctl_.glide, osc_in_.pitch, osc_in_.offset) && !amp_switched_ &&
                  !gains_fading_ && ctx_->control_divider == 1;
}

// With FMod the main filter's coefficient moves at audio rate, and the
// control tick's damping limit starts from where the last sample left it:
// the tick is then not a function of its inputs alone and runs every time.
bool voice::filter_follows_audio() const {
  const auto fmod_on = [this](const voice_path& p) { return p.filter_mode > 0 && filter_ctl_.fmod != 0.f; };
  return fmod_on(path_) || (path_fade_left_ > 0 && fmod_on(fading_path_));
}

void voice::advance_idle_lfos() {
  if (lfo_skipped_[0] > 0) lfo_a_.skip(lfo_skipped_[0]);
  if (lfo_skipped_[1] > 0) lfo_b_.skip(lfo_skipped_[1]);
  lfo_skipped_[0] = lfo_skipped_[1] = 0;
}

void voice::fast_tick() {
  if (countdown_ > 0) {
    --countdown_;
    return;
  }
  countdown_ = ctx_->control_divider - 1;
  if (int_list_.count > 0 || float_list_.count > 0) {
    run_smoothing();  // smoothed values feed every stage: evaluate all of them
    dirty_ = true;
  }
  if (lfo_ticks_[0]) lfo_a_.tick(); else ++lfo_skipped_[0];
  if (lfo_ticks_[1]) lfo_b_.tick(); else ++lfo_skipped_[1];
  if (!envelopes_settled_) run_envelopes();
  if (!declick_settled_) run_declick();
  const published_sources before = src_;
  src_.xmod = xmod_on(osc_in_.xmod_setting)
                  ? xmod_modulator(osc_ctl_.xmod, osc_in_.xmod_setting, out_a_, out_b_, ctx_->sample_rate)
                  : 0.f;
  publish_sources();
  if (dirty_ || !(src_ == before)) evaluate_connections();

  fill_osc_inputs();
  if (dirty_ || !(osc_in_ == osc_applied_) ||
      !glide_settled(osc_ctl_.glide, osc_in_.pitch, osc_in_.offset)) {
    apply_osc_controls();
    osc_applied_ = osc_in_;
  }
  filter_inputs f;
  f.controls = filter_ctl_;
  f.controls.cutoff_mod = dst_cutoff_;
  f.shflt_frequency = shflt_frequency_;
  f.shflt_keytrack = depth_[p::shflt_keytrack] != 0 ? src_.keytrack : 0;
  f.shflt_resonance = shflt_resonance_;
  if (dirty_ || !(f == filter_applied_) || filter_follows_audio()) {
    update_filters();
    filter_applied_ = f;
  }
  const gain_inputs g = {dst_amplitude_, dst_pan_, panning_, velocity_gain_, unison_left_, unison_right_};
  // A gain fade leaves the gains off their inputs until the tick after it ends.
  if (dirty_ || !(g == gain_applied_) || amp_switched_ || gains_fading_) {
    gains_fading_ = amp_switched_ || gain_fade_remaining_ > 0;
    update_output_gains();
    gain_applied_ = g;
  }
  dirty_ = false;
}

bool voice::reads_noise() const {
  const auto staircase = [](const oscillator& o) { return o.waveform() == waveform::staircase ||
                                                            o.pending_waveform() == waveform::staircase; };
  const auto noisy = [](const lfo& l) { return l.shape() == lfo::noise || l.shape() == lfo::random; };
  return mix_noise_ != 0.f || float_list_.count > 0 || staircase(osc_a_) || staircase(osc_b_) ||
         (osc_fade_left_[0] > 0 && staircase(fading_osc_[0])) || (osc_fade_left_[1] > 0 && staircase(fading_osc_[1])) ||
         noisy(lfo_a_) || noisy(lfo_b_);
}

void voice::begin_block() {
  rebuild_connections();
  plan_block();
}

bool voice::block_is_static() const {
  return static_block_ && osc_fade_left_[0] == 0 && osc_fade_left_[1] == 0 && path_fade_left_ == 0;
}

// A block with fixed controls, in stages over the whole block: both
// oscillators, the mixer, then the path and the output. The arithmetic of
// each sample is render_sample's, in the same order. Without `noise` the
// voice reads no noise and leaves the shared generator alone.
void voice::render_static(float* left, float* right, int n, bool noise) {
  float* a = ctx_->stage_a.data();
  float* b = ctx_->stage_b.data();
  float* nz = ctx_->stage_noise.data();
  float* mix = ctx_->stage_mix.data();
  for (int i = 0; i < n; ++i) {
    if (noise) {
      ctx_->noise.next();
      nz[i] = ctx_->noise.out_float;
    } else {
      nz[i] = 0.f;
    }
    prepare_sync(osc_a_);
    prepare_sync(osc_b_);
    a[i] = render_oscillator(0);
    b[i] = render_oscillator(1);
  }
  out_a_ = a[n - 1];
  out_b_ = b[n - 1];
  const float ma = mix_a_, mb = mix_b_, mr = mix_ring_, mn = mix_noise_;
  for (int i = 0; i < n; ++i) mix[i] = a[i] * ma + b[i] * mb + a[i] * b[i] * mr + nz[i] * mn;
  const float gl = gain_left_, gr = gain_right_;
  for (int i = 0; i < n; ++i) {
    const float s = float(run_path(path_, mix[i]));
    left[i] += gl * s;
    right[i] += gr * s;
  }
  frames_rendered_ += n;
  lfo_skipped_[0] += uint32_t(n);
  lfo_skipped_[1] += uint32_t(n);
  advance_idle_lfos();
}

bool voice::step(float* left, float* right, int i, int n, bool noise) {
  if (noise) ctx_->noise.next();
  fast_tick();
  render_sample(left + i, right + i);
  if (!should_stop()) return true;
  active_ = false;
  advance_idle_lfos();
  catch_up(n - i - 1);
  return false;
}

void voice::end_block() { advance_idle_lfos(); }

void voice::render(float* left, float* right, int n) {
  begin_block();
  if (block_is_static()) {
    render_static(left, right, n, true);
    return;
  }
  for (int i = 0; i < n; ++i)
    if (!step(left, right, i, n, true)) return;
  end_block();
}

}  // namespace synth
