// A busy block split into stages that several voices can share. In a busy
// block (LFOs on the pitch, the width or the cutoff every sample) a voice's
// time goes mostly to its main filter: two or four fixed-point integrator
// runs per sample, each waiting on the last. Nothing before the filter reads
// what the filter does, so the block can run in stages:
//   1. per voice: the busy tick, the oscillators and the mixer of every
//      sample, with the gains and the cutoff modulation kept (the tick's
//      filter update is deferred to stage 2, where it keeps its order with
//      the filter's own audio-rate modulation). After the first tick the
//      controls mostly run a stage at a time as well: envelopes and LFOs for
//      the block, then the connections, then the oscillator controls and
//      gains, then the oscillators a block at a time;
//   2. per voice: the filter's updates and FMod / QMod steps, which give the
//      coefficients of every sample and read only the mixer (the FMod
//      smoothers of a group run side by side first);
//   3. the integrators of up to four voices with one filter variant at once
//      (svf_lanes);
//   4. the shapers of voices with one shaper mode side by side (shape_lanes),
//      then the shaper filters of voices with one form side by side
//      (shaper_filter_lanes), then per voice the output.
// The arithmetic of each sample is render_sample's, in the same order: the
// samples are the same as the busy block's. Conditions (block_runs_in_lanes):
// no smoothing (it marks every tick dirty, and a dirty tick updates the
// whole path at once: here that may only happen at the block's first tick,
// before stage 2 starts), no XMod (the oscillators would read this sample's
// mixer stage), no crossfade under way, and a voice that reads no noise
// (the engine renders those in pool order from the shared generator).
#include <algorithm>

#include "synth/dsp/filter_input_run.h"
#include "synth/dsp/shaper_filter_lanes.h"
#include "synth/dsp/svf_kernel.h"
#include "synth/voice.h"
#include "synth/voice_fixed.h"

namespace synth {

using namespace voice_fixed;

bool voice::block_runs_in_lanes() const {
  return block_is_busy() && int_list_.count == 0 && float_list_.count == 0 && !xmod_on(osc_in_.xmod_setting) &&
         osc_fade_left_[0] == 0 && osc_fade_left_[1] == 0 && path_fade_left_ == 0;
}

// Sample i of stage 1: the tick, the oscillators and the mixer; false when
// the voice stops on it.
bool voice::lanes_source_sample(voice_context::lane_stage& st, int i) {
  lanes_audio_sample(st, i, busy_tick(true));
  return !should_stop();
}

// What a sample of stage 1 keeps after its tick: the cutoff, the
// oscillators and the mixer, the gains.
void voice::lanes_audio_sample(voice_context::lane_stage& st, int i, bool cutoff_due) {
  st.due[i] = cutoff_due ? 1 : 0;
  st.cutoff[i] = dst_cutoff_;
  st.mix[i] = mixer_sample();
  st.gain_left[i] = gain_left_;
  st.gain_right[i] = gain_right_;
}

// After the block's first tick: whether the rest of stage 1 can run its
// controls a stage at a time (lanes_sources_in_stages). The envelopes, the
// declick gate and the LFOs then tick for the whole block before the
// connections, which run before the oscillator controls. That order holds
// the same numbers when no source reads another within the block (an
// envelope gated by an LFO's pulse or delay), nothing the oscillators make
// feeds back (XMod, excluded for the lanes), the stop rule reads only the
// envelopes and the gate (no amplifier fade), and every tick would take the
// narrow oscillator update: no glide under way, B holding or following A,
// and nothing moving B's detune.
bool voice::lanes_controls_in_stages() const {
  const auto plain = [this](int o) { return waveform_[o] >= 0 && waveform_[o] < waveform::count; };
  if (!plain(0) || !plain(1)) return false;  // a PCM wave's player reads its start per sample
  if (ctx_->control_divider != 1 || glide_moving_ || amp_switched_ || gain_fade_remaining_ > 0 || dirty_) return false;
  if (!(osc_in_.keytrack_b == 0.f || osc_in_.keytrack_b == 1.f)) return false;
  for (int e = 0; e < 2; ++e)
    if (!envelope_settled_[e] && env_trigger_[e] != 0 && env_trigger_[e] != 3) return false;
  const uint32_t moving = moving_sources();
  for (int i = 0; i < int_conn_count_; ++i) {
    const int_connection& c = int_conn_[size_t(i)];
    if (c.dest == &dst_detune_ && (source_bit(c.source) & moving) != 0) return false;
  }
  return true;
}

// The controls of samples from..n-1 a stage at a time (sources, then the
// connections, then the oscillator controls); returns the frames the voice
// sounded (it stops after the last).
int voice::lanes_controls_ahead(voice_context::lane_stage& st, int from, int n) {
  const int frames = stage_sources(from, n);
  stage_connections(from, frames);
  stage_oscillator_controls(st, from, frames);
  return frames;
}

// Samples from..n-1 of stage 1 with the controls in stages; returns the
// frames the voice sounded.
int voice::lanes_sources_in_stages(voice_context::lane_stage& st, int from, int n) {
  const int frames = lanes_controls_ahead(st, from, n);
  stage_oscillators(st, from, frames);
  return frames;
}

// The oscillators and the mixer of samples from..n-1 as the controls of
// each sample left them: a block at a time each when they are not synced
// and A's multi-ramp spread holds through the block, else sample by sample.
void voice::stage_oscillators(voice_context::lane_stage& st, int from, int frames) {
  voice_context::control_stage& c = ctx_->controls;
  oscillator* oscs[2] = {&osc_a_, &osc_b_};
  // Only a ramp on A has a spread to look at (the scan costs a compare per
  // sample of every voice in lanes).
  const float* spread_a = c.spread[0].data();
  const bool spread_holds = waveform_[0] != 2 || std::all_of(spread_a + from, spread_a + frames,
                                                              [&](float s) { return s == spread_a[from]; });
  if (!osc_a_.sync_master() && !osc_b_.sync_master() && spread_holds) {
    if (waveform_[0] == 2 && frames > from) osc_a_.set_spread(spread_a[from]);
    const int count = frames - from;
    float* out[2] = {ctx_->stage_a.data(), ctx_->stage_b.data()};
    for (int o = 0; o < 2; ++o) {
      const float* inc = c.increment[o].data() + from;
      const float* width = c.pending_width[o].data() + from;
      if (waveform_[o] >= 1 && waveform_[o] <= 5) {
        oscs[o]->render_block(out[o], count, inc, width);
      } else {  // "null": the oscillator keeps its controls and renders nothing
        oscs[o]->set_increment(inc[count - 1]);
        oscs[o]->set_pending_width(width[count - 1]);
        std::fill(out[o], out[o] + count, 0.f);
      }
    }
    // Copies: the stores into st.mix need not reload them.
    const voice_mixer mixer = mixer_levels();
    const float noise = ctx_->noise.out_float;
    for (int i = 0; i < count; ++i) st.mix[from + i] = mixer.mix(out[0][i], out[1][i], noise);
    out_a_ = out[0][count - 1];
    out_b_ = out[1][count - 1];
    return;
  }
  for (int i = from; i < frames; ++i) {
    for (int o = 0; o < 2; ++o) {
      oscs[o]->set_increment(c.increment[o][size_t(i)]);
      oscs[o]->set_pending_width(c.pending_width[o][size_t(i)]);
      oscs[o]->set_spread(c.spread[o][size_t(i)]);
    }
    st.mix[i] = mixer_sample();
  }
}

// The rest of the busy tick for samples from..n-1, from the connections'
// values: the gains, the filter's cutoff, and the oscillator controls, kept
// per sample for the audio stage. Under lanes_controls_in_stages every tick
// would take the narrow update (repitch, rewidth), and recomputing them where
// their input held still gives the numbers already in place; so every
// sample's controls come from one loop with nothing waiting on an oscillator.
void voice::stage_oscillator_controls(voice_context::lane_stage& st, int from, int n) {
  voice_context::control_stage& c = ctx_->controls;
  if (n <= from) return;
  output_gains_block(c.amplitude.data() + from, c.pan.data() + from, st.gain_left.data() + from,
                     st.gain_right.data() + from, n - from);
  std::fill(st.due.begin() + from, st.due.begin() + n, 1);  // as the busy tick's after a clean start
  std::copy(c.cutoff.begin() + from, c.cutoff.begin() + n, st.cutoff.begin() + from);
  osc_control_run run{c.increment[0].data() + from, c.increment[1].data() + from, c.pending_width[0].data() + from,
                      c.spread[0].data() + from};
  osc_control_repitch_block(osc_in_, ctx_->inv_sample_rate, c.pitch.data() + from, c.width.data() + from, n - from,
                            osc_last_, run);
  if (waveform_[0] != 2) std::fill(c.spread[0].begin() + from, c.spread[0].begin() + n, 0.f);
  std::fill(c.pending_width[1].begin() + from, c.pending_width[1].begin() + n, osc_b_.pending_width());
  std::fill(c.spread[1].begin() + from, c.spread[1].begin() + n, osc_b_.spread());
  // The record and the destinations as the last tick leaves them.
  const int last = n - 1;
  dst_pitch_ = c.pitch[size_t(last)];
  dst_width_ = c.width[size_t(last)];
  dst_detune_ = c.detune[size_t(last)];
  dst_cutoff_ = c.cutoff[size_t(last)];
  fill_osc_inputs();
  hz_a_ = osc_last_.hz_a;
  pcm_a_.set_start(osc_last_.pcm_start_a);
}

// The envelopes and the declick gate of samples from..n-1 until the voice
// stops, then the LFOs up to there; the sources published as of the last.
int voice::stage_sources(int from, int n) {
  voice_context::control_stage& c = ctx_->controls;
  // Their gates follow the key alone here (lanes_controls_in_stages), which
  // holds within a block: once followed, a tick's follow_gate does nothing.
  const bool tick_a = !envelope_settled_[0], tick_b = !envelope_settled_[1];
  if (tick_a) env_a_.follow_gate(envelope_gate_now(0));
  if (tick_b) env_b_.follow_gate(envelope_gate_now(1));
  const int frames = stage_envelopes(from, n, tick_a, tick_b);
  lfo* lfos[2] = {&lfo_a_, &lfo_b_};
  int32_t* outs[2] = {c.lfo_a.data(), c.lfo_b.data()};
  for (int x = 0; x < 2; ++x) {
    if (!lfo_ticks_[x]) {
      lfo_skipped_[x] += uint32_t(frames - from);
      std::fill(outs[x] + from, outs[x] + frames, src_.lfo[x]);  // read by nobody
      continue;
    }
    lfos[x]->tick_block(outs[x] + from, frames - from);
  }
  publish_sources();
  return frames;
}

namespace {

// How the declick gate moves through a block: its key holds.
enum class gate_move { holds, opens, closes };

// The envelopes and the declick gate of a block's source stage in locals,
// with what the stop rule looks at.
struct source_steps {
  envelope::run_state a, b;
  int32_t declick = 0;
  int64_t declick_attack = 0, declick_release = 0;  // Q31
  // A sample may end the note only where the level of an envelope whose
  // mask is 0 is 0, or the declick level is at most gate_floor (stops_with
  // then decides).
  int32_t mask_a = -1, mask_b = -1, gate_floor = INT32_MIN;
};

// The declick gate one tick on with the key held (voice::declick_step), from
// the level and its offset from q31_max, which the opening gate approaches:
// level + floor((q31_max - level) attack / 2^31) is q31_max + floor(offset
// (2^31 - attack) / 2^31) (see envelope::run_state), a product and a shift
// from tick to tick; the clamp to declick_top is off the chain, as a level
// the clamp has met goes on rising past declick_top.
template <gate_move move>
inline void gate_step(int32_t& level, int64_t& offset, int64_t keep, int64_t release) {
  if constexpr (move == gate_move::opens) {
    offset = (offset * keep) >> 31;
    const int64_t next = q31_max + offset;
    level = next > declick_top ? declick_top : int32_t(next);
  } else if constexpr (move == gate_move::closes) {
    level = level <= declick_silent ? 0 : level - int32_t((int64_t(level) * release) >> 31);
  }
}

// Ticks per run in which stage_run_unchecked looks for a stage's end or the
// stop rule only after the last.
constexpr int unchecked_ticks = 32;

// Samples i..n-1 of the source stage, each envelope's and the gate's level
// into the stage's arrays, while neither envelope's stage ends; returns the
// first sample not run (a stage's end there is left to the envelopes' own
// tick), or one past a sample at which the note may end (`may_stop`).
// Everything it reads is a local, so the stores need not reload it.
template <gate_move move>
int stage_run_checked(source_steps& s, int32_t* env_a, int32_t* env_b, int32_t* gate, int i, int n,
                      bool& may_stop) {
  envelope::run_state a = s.a, b = s.b;
  int32_t declick = s.declick;
  int64_t gate_offset = int64_t(declick) - q31_max;
  const int64_t keep = (int64_t(1) << 31) - s.declick_attack, release = s.declick_release;
  const int32_t mask_a = s.mask_a, mask_b = s.mask_b, gate_floor = s.gate_floor;
  for (; i < n; ++i) {
    const int64_t oa = a.next(), ob = b.next();
    const int32_t la = a.level_at(oa), lb = b.level_at(ob);
    if (a.ends(la) || b.ends(lb)) break;
    a.offset = oa;
    b.offset = ob;
    gate_step<move>(declick, gate_offset, keep, release);
    env_a[i] = la;
    env_b[i] = lb;
    gate[i] = declick;
    if (((la | mask_a) & (lb | mask_b)) == 0 || declick <= gate_floor) {
      may_stop = true;
      ++i;
      break;
    }
  }
  s.a = a;
  s.b = b;
  s.declick = declick;
  return i;
}

// stage_run_checked, its checks a run of ticks at a time: the steps alone
// for up to unchecked_ticks samples, then the checks. The envelopes' levels
// and the gate's move monotonically (see envelope::run_state), so a stage
// that ends within the run has ended at its last sample, and a level of 0 or
// a gate at its floor shows at the first or the last; a run with any of them
// is run again checked, from its start.
template <gate_move move>
int stage_run_unchecked(source_steps& s, int32_t* env_a, int32_t* env_b, int32_t* gate, int i, int n,
                        bool& may_stop) {
  const int64_t keep = (int64_t(1) << 31) - s.declick_attack, release = s.declick_release;
  const int32_t mask_a = s.mask_a, mask_b = s.mask_b, gate_floor = s.gate_floor;
  const auto checks = [&](int k) {
    return s.a.ends(env_a[k]) || s.b.ends(env_b[k]) || ((env_a[k] | mask_a) & (env_b[k] | mask_b)) == 0 ||
           gate[k] <= gate_floor;
  };
  while (i < n) {
    const int last = std::min(i + unchecked_ticks, n);
    int64_t oa = s.a.offset, ob = s.b.offset;
    const int64_t keep_a = s.a.keep, keep_b = s.b.keep, goal_a = s.a.goal, goal_b = s.b.goal;
    int32_t declick = s.declick;
    int64_t gate_offset = int64_t(declick) - q31_max;
    for (int k = i; k < last; ++k) {
      oa = (oa * keep_a) >> 31;
      ob = (ob * keep_b) >> 31;
      gate_step<move>(declick, gate_offset, keep, release);
      env_a[k] = int32_t(goal_a + oa);
      env_b[k] = int32_t(goal_b + ob);
      gate[k] = declick;
    }
    if (checks(i) || checks(last - 1)) return stage_run_checked<move>(s, env_a, env_b, gate, i, last, may_stop);
    s.a.offset = oa;
    s.b.offset = ob;
    s.declick = declick;
    i = last;
  }
  return i;
}

}  // namespace

// The envelopes and the declick gate of samples from..n-1 until the voice
// stops; returns the frames it sounded. Their states run in locals
// (envelope::run_state) through the ticks that only move levels; the rare
// tick that ends a stage or rescales runs on the envelope itself. The stop
// rule reads the amplifier envelope's level and the stage it is in, or the
// declick gate's level.
int voice::stage_envelopes(int from, int n, bool tick_a, bool tick_b) {
  voice_context::control_stage& c = ctx_->controls;
  int32_t* out_a = c.env_a.data();
  int32_t* out_b = c.env_b.data();
  int32_t* out_gate = c.gate.data();
  const gate_move move = declick_settled_ ? gate_move::holds : key_gate_ ? gate_move::opens : gate_move::closes;
  const envelope& amp = amp_env_select_ != 1 ? env_b_ : env_a_;  // read only when an envelope is the amplifier's
  source_steps s;
  s.declick = declick_level_;
  s.declick_attack = declick_attack_;
  s.declick_release = declick_release_;
  // Under the declick gate, where a gate at declick_silent would end the note.
  s.gate_floor = amp_env_select_ == 0 && stops_with(0, envelope::idle, declick_silent) ? declick_silent : INT32_MIN;
  const auto stops = [&] { return stops_with(amp.level(), amp.stage(), s.declick); };
  // Where a level of 0 would end the note in the amplifier's stage.
  const auto set_masks = [&] {
    const int32_t amp_mask = amp_env_select_ != 0 && stops_with(0, amp.stage(), s.declick) ? 0 : -1;
    s.mask_a = amp_env_select_ == 1 ? amp_mask : -1;
    s.mask_b = amp_env_select_ == 2 ? amp_mask : -1;
  };
  if (!tick_a && !tick_b && move == gate_move::holds && from < n) {
    // Nothing moves: every sample is the first, and the runs below would
    // stop at the first or not at all.
    const int32_t la = env_a_.level(), lb = env_b_.level();
    set_masks();
    const bool may_stop = ((la | s.mask_a) & (lb | s.mask_b)) == 0 || s.declick <= s.gate_floor;
    const int frames = may_stop && stops() ? from + 1 : n;
    std::fill(out_a + from, out_a + frames, la);
    std::fill(out_b + from, out_b + frames, lb);
    std::fill(out_gate + from, out_gate + frames, s.declick);
    return frames;
  }
  int i = from;
  while (i < n) {
    if (!tick_a) s.a.hold(env_a_.level());
    if (!tick_b) s.b.hold(env_b_.level());
    if ((!tick_a || s.a.load(env_a_)) && (!tick_b || s.b.load(env_b_))) {
      set_masks();
      bool may_stop = false;
      switch (move) {
        case gate_move::holds: i = stage_run_unchecked<gate_move::holds>(s, out_a, out_b, out_gate, i, n, may_stop); break;
        case gate_move::opens: i = stage_run_unchecked<gate_move::opens>(s, out_a, out_b, out_gate, i, n, may_stop); break;
        case gate_move::closes: i = stage_run_unchecked<gate_move::closes>(s, out_a, out_b, out_gate, i, n, may_stop); break;
      }
      s.a.store(env_a_);
      s.b.store(env_b_);
      if (may_stop && stops()) break;
      if (may_stop || i == n) continue;
    }
    // A stage's end, a time scale to recompute or levels out of the steps'
    // range: the envelopes' own ticks.
    if (tick_a) env_a_.tick();
    if (tick_b) env_b_.tick();
    if (move != gate_move::holds) s.declick = declick_step(s.declick);
    out_a[i] = env_a_.level();
    out_b[i] = env_b_.level();
    out_gate[i] = s.declick;
    ++i;
    if (stops()) break;
  }
  declick_level_ = s.declick;
  return i;
}

// The array a connection's source takes its values from, and how: shift 0
// as it is, 1 the envelope >> 15, 2 the LFO << 15; null for the keytrack,
// which holds still.
const int32_t* voice::stage_source(const int32_t* src, int& shift) {
  const voice_context::control_stage& c = ctx_->controls;
  shift = 0;
  if (src == &src_.gate) return c.gate.data();
  for (int x = 0; x < 2; ++x) {
    const int32_t* env = x == 0 ? c.env_a.data() : c.env_b.data();
    const int32_t* lfo_out = x == 0 ? c.lfo_a.data() : c.lfo_b.data();
    if (src == &src_.env[x]) return env;
    if (src == &src_.lfo[x]) return lfo_out;
    shift = src == &src_.env15[x] ? 1 : src == &src_.lfo30[x] ? 2 : 0;
    if (shift != 0) return shift == 1 ? env : lfo_out;
  }
  return nullptr;
}

int32_t* voice::stage_destination(const int32_t* dest) {
  voice_context::control_stage& c = ctx_->controls;
  if (dest == &dst_amplitude_) return c.amplitude.data();
  if (dest == &dst_pan_) return c.pan.data();
  if (dest == &dst_pitch_) return c.pitch.data();
  if (dest == &dst_width_) return c.width.data();
  if (dest == &dst_detune_) return c.detune.data();
  return c.cutoff.data();
}

// Every connection over samples from..n-1, each destination's in list order.
// The connections that lead a destination's list from sources holding still
// through the block (the keytrack, a settled envelope or gate) give the
// same value at every sample: it is made once and the destination starts
// from it (the first moving additive connection writes the destination from
// it in the same pass).
void voice::stage_connections(int from, int n) {
  voice_context::control_stage& c = ctx_->controls;
  int32_t* dests[6] = {c.amplitude.data(), c.pan.data(), c.pitch.data(), c.width.data(), c.detune.data(),
                       c.cutoff.data()};
  int32_t held_value[6] = {0, 0, 0, 0, 0, 0};
  bool moving[6] = {false, false, false, false, false, false};
  const uint32_t still = (source_keytrack | source_env_a | source_env_b | source_gate) & ~moving_sources();
  for (int k = 0; k < int_conn_count_; ++k) {
    const int_connection& conn = int_conn_[size_t(k)];
    int shift = 0;
    const int32_t* src = stage_source(conn.source, shift);
    int32_t* dest = stage_destination(conn.dest);
    const int d = int(std::find(dests, dests + 6, dest) - dests);
    const int64_t depth = *conn.depth;
    const int32_t kind = conn.kind;
    if (!moving[d] && (source_bit(conn.source) & still) != 0) {
      held_value[d] = connect(held_value[d], *conn.source, depth, kind);
      continue;
    }
    const bool first = !moving[d];
    moving[d] = true;
    if (src && kind == 0 && shift != 2) {
      const auto scale = shift == 1 ? modulation::source_scale::env15 : modulation::source_scale::as_is;
      if (first) {
        modulation::add_run_onto(dest + from, held_value[d], src + from, scale, int32_t(depth), n - from);
      } else {
        modulation::add_run(dest + from, src + from, scale, int32_t(depth), n - from);
      }
      continue;
    }
    if (first) std::fill(dest + from, dest + n, held_value[d]);
    if (!src) {
      const int64_t held = *conn.source;
      for (int i = from; i < n; ++i) dest[i] = connect(dest[i], held, depth, kind);
    } else if (shift == 1) {
      for (int i = from; i < n; ++i) dest[i] = connect(dest[i], src[i] >> 15, depth, kind);
    } else if (shift == 2) {
      for (int i = from; i < n; ++i) dest[i] = connect(dest[i], int64_t(src[i]) * 32768, depth, kind);
    } else {
      for (int i = from; i < n; ++i) dest[i] = connect(dest[i], src[i], depth, kind);
    }
  }
  for (int d = 0; d < 6; ++d)
    if (!moving[d]) std::fill(dests[d] + from, dests[d] + n, held_value[d]);
}

// The end of stage 1 after st.frames of the n frames of the block.
void voice::lanes_sources_end(voice_context::lane_stage& st, int n) {
  advance_idle_lfos();
  if (st.frames < n) {
    active_ = false;
    catch_up(n - st.frames);
  } else {
    dirty_ = true;  // as after any busy block: the LFOs left out were published stale
  }
}

// Stage 2: the filter's updates where due and its audio-rate modulation,
// then its inputs and the coefficients process() would read at every sample.
// Under FMod alone the engine has run the smoother into st.smoothed.
// With `coefficients` false the caller makes them for several voices at
// once (state_variable_filter::controls_lanes, under FMod alone).
void voice::lanes_filter_inputs(voice_context::lane_stage& st, bool coefficients) {
  for (int i = st.frames - 1; i >= 0; --i) {
    if (!st.due[i]) continue;
    filter_ctl_.cutoff_mod = st.cutoff[i];  // as the last update left it
    break;
  }
  if (coefficients) {
    const float* smoothed = lanes_fmod() ? st.smoothed.data() : nullptr;
    path_.filter.controls_block(filter_ctl_, st.cutoff.data(), st.due.data(), st.mix.data(), smoothed, st.frames,
                                lanes_coefficients(st));
  }
  filter_input_run(st.mix.data(), st.x.data(), st.frames);
}

state_variable_filter::coefficient_run voice::lanes_coefficients(voice_context::lane_stage& st) {
  return {st.f.data(), st.q.data(), st.limit.data(), st.sat_a.data(), st.sat_bias.data()};
}

namespace {

// out[i] = saturate32(in[i] * 4) in 32 bits: the product where it fits,
// else the rail, compares and selects the compiler runs four at a time.
void times4_saturated(const int32_t* in, int32_t* out, int n) {
  constexpr int32_t fits = q31_max / 4;  // |y| up to this times 4 is within the rails
  for (int i = 0; i < n; ++i) {
    const int32_t y = in[i];
    const int32_t times4 = int32_t(uint32_t(y) << 2);
    out[i] = y > fits ? q31_max : y < -fits ? -q31_max : times4;
  }
}

}  // namespace

// Stage 4: the filter's output (or the bypass) as the shaper's input, in
// st.x (the filter's inputs are spent).
void voice::lanes_shaper_input(voice_context::lane_stage& st) {
  const int n = st.frames;  // a local: the stores into st.x could otherwise change it
  if (path_.filter_mode > 0) {
    times4_saturated(st.y.data(), st.x.data(), n);
  } else {
    for (int i = 0; i < n; ++i) st.x[i] = float_to_fixed(st.mix[i], 16777216.f);
  }
}

// Stage 4's shaper filters: the voices of a batch whose shaper filters
// share a form and that sounded the same frames, side by side
// (shaper_filter_lanes), each on its shaper's output in st.x; st.x then
// holds what lanes_output adds to the output. The filter works at 2^22 per
// unit, the voice at 2^24. A voice alone with its form runs on its own.
void voice::lanes_shaper_filters(voice* const* voices, voice_context::lane_stage* const* stages, int count) {
  constexpr int most = voice_context::lane_count;
  bool done[most] = {};
  for (int k = 0; k < count; ++k) done[k] = voices[k]->path_.shflt_mode == 0;
  for (int k = 0; k < count; ++k) {
    if (done[k]) continue;
    const int form = voices[k]->path_.shflt.form();
    const int frames = stages[k]->frames;
    shaper_filter_lanes::lane group[shaper_filter_lanes::max_lanes];
    int members = 0;
    for (int j = k; j < count && members < shaper_filter_lanes::max_lanes; ++j) {
      if (done[j] || voices[j]->path_.shflt.form() != form || stages[j]->frames != frames) continue;
      done[j] = true;
      int32_t* x = stages[j]->x.data();
      for (int i = 0; i < frames; ++i) x[i] >>= 2;
      group[members++] = {&voices[j]->path_.shflt, x, x};
    }
    if (members == 1) {
      shaper_filter& filter = *group[0].filter;
      for (int i = 0; i < frames; ++i) group[0].y[i] = filter.process(group[0].x[i]);
    } else {
      shaper_filter_lanes::run(group, members, frames);
    }
    for (int m = 0; m < members; ++m) times4_saturated(group[m].y, group[m].y, frames);
  }
}

// The end of stage 4: the output of every sample.
void voice::lanes_output(const voice_context::lane_stage& st, float* left, float* right) {
  const int n = st.frames;
  for (int i = 0; i < n; ++i) {
    left[i] += st.gain_left[i] * float(st.x[i]);
    right[i] += st.gain_right[i] * float(st.x[i]);
  }
  frames_rendered_ += n;
}

}  // namespace synth
