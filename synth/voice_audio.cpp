// The audio side of a voice sample: oscillators, mixer, the path after the
// mixer with its crossfades, the output; the stop rule and catch-up.
#include <algorithm>
#include <cmath>

#include "synth/dsp/svf_kernel.h"
#include "synth/voice.h"
#include "synth/voice_fixed.h"

namespace synth {

using namespace voice_fixed;

bool voice::should_stop() const {
  if (amp_switched_ || gain_fade_remaining_ > 0) return false;  // let the amplifier's fade finish
  return stops_with(env_a_, env_b_, declick_level_);
}

bool voice::stops_with(const envelope& env_a, const envelope& env_b, int32_t declick) const {
  if (amp_env_select_ == 0) return stops_with(0, envelope::idle, declick);
  const envelope& e = amp_env_select_ == 1 ? env_a : env_b;
  return stops_with(e.level(), e.stage(), declick);
}

bool voice::stops_with(int32_t amp_level, envelope::stage_id amp_stage, int32_t declick) const {
  if (amp_env_select_ == 0) return !key_gate_ && declick <= declick_silent;
  const int trigger = env_trigger_[amp_env_select_ - 1];
  // An envelope that has just been gated on sits at 0 until its first tick:
  // an attack never ends the voice. A decay into sustain 0 does.
  if (amp_level != 0 || amp_stage == envelope::attack) return false;
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

shaper_voice voice::shaper_of(voice_path& path) {
  return {&path.tone, &path.shaper_dc, &shaper_, path.shaper_mode, shaper_bias_};
}

int32_t voice::run_shaper(voice_path& path, int32_t s) { return shape_sample(shaper_of(path), s); }

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

// Both oscillators (neither fading) and the mixer of one sample.
float voice::mixer_sample() {
  prepare_sync(osc_a_);
  prepare_sync(osc_b_);
  out_a_ = render_oscillator(0);
  out_b_ = render_oscillator(1);
  return mixer_levels().mix(out_a_, out_b_, ctx_->noise.out_float);
}

// One sample of audio with the controls of this tick, added into *left and
// *right.
void voice::render_sample(float* left, float* right) {
  prepare_sync(osc_a_);
  prepare_sync(osc_b_);
  if (osc_fade_left_[0] > 0) prepare_sync(fading_osc_[0]);
  if (osc_fade_left_[1] > 0) prepare_sync(fading_osc_[1]);
  out_a_ = render_oscillator(0);
  out_b_ = render_oscillator(1);
  const float m = mixer_levels().mix(out_a_, out_b_, ctx_->noise.out_float);
  int32_t s = run_path(path_, m);
  if (path_fade_left_ > 0) {
    const int64_t before = run_path(fading_path_, m);
    s = int32_t(s + (before - s) * path_fade_left_-- / fade_length_);
  }
  *left += gain_left_ * float(s);
  *right += gain_right_ * float(s);
  ++frames_rendered_;
}

void voice::catch_up(int ticks) {
  dirty_ = true;  // the smoothed values jump to their goals
  connections_stale_ = true;
  int_list_.flush();
  float_list_.flush();
  if (ticks <= 0) return;
  env_a_.skip(uint32_t(ticks));
  env_b_.skip(uint32_t(ticks));
  lfo_a_.skip(uint32_t(ticks));
  lfo_b_.skip(uint32_t(ticks));
}

}  // namespace synth
