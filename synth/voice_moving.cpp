// Blocks in which the oscillators' controls move every sample: an LFO's
// vibrato or width sweep, an envelope opening a multi-ramp's spread. Their
// ticks need not wait on the audio: nothing in them reads an oscillator, the
// mixer or the path, so the ticks of the whole block run first (as the busy
// lanes' stage 1 does, voice_lanes.cpp) and keep each sample's controls:
// the gains, the cutoff modulation and where the filter's update is due,
// and each oscillator's increment, pending width and spread. Then each
// oscillator renders its block from those (oscillator::render_block; a
// multi-ramp in runs of one spread), then the mixer, and the path and the
// output in stages: on their own (render_path) or with the main filters of
// other voices side by side (engine_staged.cpp). The arithmetic of every
// sample is the busy block's, in the same order: the samples are the same.
#include <algorithm>

#include "synth/voice.h"
#include "synth/voice_fixed.h"

namespace synth {

using namespace voice_fixed;

// Whether a block whose moving sources reach the oscillators can run its
// ticks ahead of the audio. Every tick must take the narrow oscillator
// update, which moves only A's width and both increments from the pitch:
// no smoothing, glide or control divider, nothing moving B's detune, B
// holding or following A's pitch (keytrack 0 or 1). Nothing in a tick may
// read this sample's audio: no XMod. The envelopes that move follow the key
// alone (a gate from an LFO's pulse would read the LFO ahead of its turn),
// no crossfade or amplifier fade is under way, the oscillators run free
// (no sync, staircase or PCM wave: oscillators_free_running) and the voice
// reads no noise (the engine hands that out in pool order). And some moving
// source reaches the pitch or the width: else the block is staged or busy.
bool voice::controls_run_ahead(uint32_t moving, bool smoothing) const {
  if (smoothing || xmod_on(osc_in_.xmod_setting) || glide_moving_ || ctx_->control_divider != 1) return false;
  if (osc_fade_left_[0] > 0 || osc_fade_left_[1] > 0 || path_fade_left_ > 0 || amp_switched_ ||
      gain_fade_remaining_ > 0)
    return false;
  if (!(osc_in_.keytrack_b == 0.f || osc_in_.keytrack_b == 1.f)) return false;
  for (int e = 0; e < 2; ++e)
    if (!envelope_settled_[e] && env_trigger_[e] != 0 && env_trigger_[e] != 3) return false;
  bool oscillators_move = false;
  for (int i = 0; i < int_conn_count_; ++i) {
    const int_connection& c = int_conn_[size_t(i)];
    if ((source_bit(c.source) & moving) == 0) continue;
    if (c.dest == &dst_detune_) return false;
    oscillators_move = oscillators_move || c.dest == &dst_pitch_ || c.dest == &dst_width_;
  }
  return oscillators_move && oscillators_free_running() && !reads_noise();
}

// The ticks of a moving block ahead of its audio; returns the frames the
// voice sounds. The first is the busy tick, which evaluates everything after
// a change; the ones after it a stage at a time where lanes_controls_in_stages
// allows (the envelopes and LFOs for the block, then the connections, then
// the oscillator controls and gains), else tick by tick.
int voice::moving_controls(voice_context::lane_stage& st, int n) {
  int frames = n;
  for (int i = 0; i < n;) {
    keep_tick_controls(st, i, busy_tick(true));
    if (should_stop()) {
      frames = i + 1;
      break;
    }
    if (++i < n && lanes_controls_in_stages()) {
      frames = lanes_controls_ahead(st, i, n);
      break;
    }
  }
  thin_cutoff_updates(st, frames);
  return frames;
}

// The busy tick asks for the filter's update at every tick after the first,
// but without FMod an update is a function of the controls alone (see
// filter_follows_audio) and the other controls hold through the block: where
// the cutoff modulation did not move since the tick before, it would set the
// numbers already in place. After the first tick the filter holds that
// tick's cutoff either way (its update due there, or made in the tick).
void voice::thin_cutoff_updates(voice_context::lane_stage& st, int frames) {
  if (filter_follows_audio()) return;
  for (int i = 1; i < frames; ++i) st.due[i] = st.cutoff[i] != st.cutoff[i - 1] ? 1 : 0;
}

// What tick i left for the audio: the gains, the cutoff modulation and
// whether the filter's update is due, the oscillators' controls.
void voice::keep_tick_controls(voice_context::lane_stage& st, int i, bool cutoff_due) {
  voice_context::control_stage& c = ctx_->controls;
  st.due[i] = cutoff_due ? 1 : 0;
  st.cutoff[i] = dst_cutoff_;
  st.gain_left[i] = gain_left_;
  st.gain_right[i] = gain_right_;
  const oscillator* oscs[2] = {&osc_a_, &osc_b_};
  for (int o = 0; o < 2; ++o) {
    c.increment[o][size_t(i)] = oscs[o]->increment();
    c.pending_width[o][size_t(i)] = oscs[o]->pending_width();
    c.spread[o][size_t(i)] = oscs[o]->spread();
  }
}

// Both oscillators a block at a time from the controls of every sample,
// then the mixer into mix. A "null" oscillator renders nothing and keeps
// the last controls, as the ticks left it.
void voice::render_moving_sources(float* mix, int frames) {
  const voice_context::control_stage& c = ctx_->controls;
  float* out[2] = {ctx_->stage_a.data(), ctx_->stage_b.data()};
  oscillator* oscs[2] = {&osc_a_, &osc_b_};
  for (int o = 0; o < 2; ++o) {
    const float* inc = c.increment[o].data();
    const float* width = c.pending_width[o].data();
    const float* spread = c.spread[o].data();
    if (waveform_[o] >= 1 && waveform_[o] <= 5) {
      oscs[o]->render_block(out[o], frames, inc, width, spread);
    } else {
      oscs[o]->set_increment(inc[frames - 1]);
      oscs[o]->set_pending_width(width[frames - 1]);
      oscs[o]->set_spread(spread[frames - 1]);
      std::fill(out[o], out[o] + frames, 0.f);
    }
  }
  out_a_ = out[0][frames - 1];
  out_b_ = out[1][frames - 1];
  // The mixer reads the noise as mixer_sample does; its level is 0 here.
  const voice_mixer mixer = mixer_levels();
  const float noise = ctx_->noise.out_float;
  for (int i = 0; i < frames; ++i) mix[i] = mixer.mix(out[0][i], out[1][i], noise);
}

// The end of a moving block the voice sounded `frames` of n frames of: the
// LFOs left out catch up, and the next block starts with a full evaluation
// (they were published stale), as after a busy block; false when the voice
// ended in it (the rest of the block caught up).
bool voice::end_moving_block(int frames, int n) {
  advance_idle_lfos();
  if (frames == n) {
    dirty_ = true;
    return true;
  }
  active_ = false;
  catch_up(n - frames);
  return false;
}

// A moving block on its own: the controls and the oscillators into the
// first lane record (the engine's lanes are free while voices render
// alone), then the path and the output with the gains and the filter's
// updates of every sample. With `noise` the shared generator moves on by
// the frames sounded, as the busy block's samples move it.
void voice::render_moving(float* left, float* right, int n, bool noise) {
  voice_context::lane_stage& st = ctx_->lanes[0];
  const int frames = moving_controls(st, n);
  if (noise)
    for (int i = 0; i < frames; ++i) ctx_->noise.next();
  float* mix = ctx_->stage_mix.data();
  render_moving_sources(mix, frames);
  render_path(left, right, frames, mix, st.gain_left.data(), st.gain_right.data(), st.cutoff.data(), st.due.data());
  end_moving_block(frames, n);
}

// Stage 1 of a moving block whose main filter runs in lanes beside other
// voices' (engine_staged.cpp): the controls, the oscillators and the mixer
// into `st`; returns the frames the voice sounds.
int voice::moving_lane_sources(voice_context::lane_stage& st, int n) {
  const int frames = moving_controls(st, n);
  render_moving_sources(st.mix.data(), frames);
  st.frames = frames;
  end_moving_block(frames, n);
  return frames;
}

}  // namespace synth
