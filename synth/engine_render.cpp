// The engine's audio side: parameter changes reach the voices, the voices
// render, the master stage finishes the block, the meter follows the output.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "fx/chain.h"
#include "synth/dsp/svf_lanes.h"
#include "synth/engine.h"

namespace synth {

namespace {

// The voices render into the engine's own scratch in pieces of this many
// frames, so the master stage only ever sees our signal: an accumulating host
// call adds the finished result to whatever the host left in its buffers.
constexpr int scratch_frames = voice_context::max_block;

// The context's filter columns as the coefficient and filter kernels take them.
svf_lanes::coefficient_columns columns_of(voice_context::filter_columns& c) {
  return {c.f, c.q, c.limit2, c.sat_a, c.sat_bias};
}

}  // namespace

void synth::apply_pending_changes() {
  changes_.drain([this](int program, int param) { apply_preset_change(program, param); },
                 [this](int param) { apply_global_change(param); });
}

void synth::apply_preset_change(int program, int param) {
  if (routes_.is_routed(param)) {
    routes_.routed_set(param);
    return;
  }
  send_to_voices(program, param);
}

void synth::send_to_voices(int program, int param) {
  const float value = bank_.slots[size_t(program)].get(param);
  for (int i = 0; i < pool_size(); ++i) {
    voice& v = voices_[size_t(i)];
    if (v.program() == program) v.set_param(param, value, v.active());
  }
}

void synth::apply_global_change(int param) {
  switch (param) {
    case p::coarse_tune:
    case p::fine_tune:
      for (int i = 0; i < pool_size(); ++i) voices_[size_t(i)].set_tuning(transpose_ + fine_tune_);
      break;
    case p::bender_range:
      apply_bend_to_voices();
      break;
    case p::unison_detune:
    case p::unison_width:
      spread_unison(-1);
      break;
    default:
      break;
  }
}

void synth::render(float* left, float* right, int frames) {
  apply_pending_changes();
  output_.set_gain(output_gain_);
  output_.set_highpass(flag(engine_flag::block_dc));
  int rendered_max = 0;
  for (int done = 0; done < frames;) {
    const int n = std::min(frames - done, scratch_frames);
    float* l = context_.scratch_left.data();
    float* r = context_.scratch_right.data();
    std::memset(l, 0, sizeof(float) * size_t(n));
    std::memset(r, 0, sizeof(float) * size_t(n));
    const int rendered = reference_engine_ ? render_voices_reference(l, r, n) : render_voices(l, r, n);
    if (rendered > 0 || output_.residue() > 1e-9f) output_.process(l, r, n);
    effects_->run(l, r, n, sample_rate_);  // an empty chain returns at once
    for (int f = 0; f < n; ++f) {
      left[done + f] += l[f];
      right[done + f] += r[f];
    }
    rendered_max = std::max(rendered_max, rendered);
    done += n;
  }
  voices_rendered_ = rendered_max;
}

// Every voice in pool order: the stop rule, then a silent voice catches up
// and a sounding one renders its block sample by sample.
int synth::render_voices_reference(float* l, float* r, int n) {
  int rendered = 0;
  for (int i = 0; i < pool_size(); ++i) {
    voice& v = voices_[size_t(i)];
    if (!runs_in_block(i) || !v.begin_or_catch_up(n)) continue;
    ++rendered;
    v.render_reference(l, r, n);
  }
  return rendered;
}

// The fast engine: the same voices and the same samples. A block whose
// controls cannot move renders in stages; voices whose controls move step
// together, a sample of each in turn, so that the long fixed-point chains of
// their filters overlap in the processor instead of waiting on each other.
// The shared noise generator must hand every voice the values the reference
// order gives it (pool order, each voice's whole block at once): voices that
// read no noise render first and leave it alone; then the ones that read it
// render in pool order, each from the generator advanced past the samples of
// the voices before it.
int synth::render_voices(float* l, float* r, int n) {
  std::array<int16_t, max_voices> active{};
  std::array<int16_t, max_voices> frames{};  // frames rendered in this block, by position in `active`
  std::array<bool, max_voices> noisy{};
  std::array<bool, max_voices> in_lanes{};
  int staged = 0;  // voices for render_staged_lanes (frames -1 until then)
  int count = 0;
  for (int i = 0; i < pool_size(); ++i) {
    voice& v = voices_[size_t(i)];
    if (!runs_in_block(i) || !v.begin_or_catch_up(n)) continue;
    noisy[size_t(count)] = v.reads_noise();
    active[size_t(count++)] = int16_t(i);
  }

  constexpr int lanes = 4;
  int group[lanes];
  int grouped = 0;
  const auto step_group = [&] {
    bool live[lanes];
    int left = grouped;
    for (int k = 0; k < grouped; ++k) live[k] = true;
    for (int f = 0; f < n && left > 0; ++f) {
      for (int k = 0; k < grouped; ++k) {
        if (!live[k] || voices_[size_t(active[size_t(group[k])])].step(l, r, f, n, false)) continue;
        live[k] = false;
        frames[size_t(group[k])] = int16_t(f + 1);
        --left;
      }
    }
    for (int k = 0; k < grouped; ++k) {
      if (!live[k]) continue;
      voices_[size_t(active[size_t(group[k])])].end_block();
      frames[size_t(group[k])] = int16_t(n);
    }
    grouped = 0;
  };
  for (int a = 0; a < count; ++a) {
    if (noisy[size_t(a)]) continue;
    voice& v = voices_[size_t(active[size_t(a)])];
    v.begin_block();
    if (v.block_stages_in_lanes()) {
      frames[size_t(a)] = -1;
      ++staged;
      continue;
    }
    if (v.block_is_static()) {
      frames[size_t(a)] = int16_t(v.render_alone(l, r, n));
      continue;
    }
    if (v.block_runs_in_lanes()) {
      in_lanes[size_t(a)] = true;  // render_lanes
      continue;
    }
    if (v.block_is_staged() || v.block_moves_oscillators() || v.block_is_busy() || v.replans_after_change(n)) {
      frames[size_t(a)] = int16_t(v.render_alone(l, r, n));
      continue;
    }
    group[grouped++] = a;
    if (grouped == lanes) step_group();
  }
  if (grouped > 0) step_group();
  if (staged > 0) render_staged_lanes(active.data(), frames.data(), count, l, r, n);
  render_lanes(active.data(), in_lanes.data(), frames.data(), count, l, r, n);

  const noise_generator start = context_.noise;
  uint32_t consumed = 0;
  for (int a = 0; a < count; ++a) {
    if (noisy[size_t(a)]) {
      voice& v = voices_[size_t(active[size_t(a)])];
      context_.noise = start;
      context_.noise.advance(consumed);
      const int32_t before = v.samples_rendered();
      v.render(l, r, n);
      frames[size_t(a)] = int16_t(v.samples_rendered() - before);
    }
    consumed += uint32_t(frames[size_t(a)]);
  }
  context_.noise = start;
  context_.noise.advance(consumed);
  return count;
}

// The voices whose busy blocks run in stages (voice_lanes.cpp), eight at a
// time: their ticks, oscillators and mixers, then the main filters of the
// ones that share a variant together (up to eight to a run), then their shapers
// side by side and each one's output.
void synth::render_lanes(const int16_t* active, const bool* in_lanes, int16_t* frames, int count, float* l,
                         float* r, int n) {
  constexpr int lanes = voice_context::lane_count;
  int batch[lanes];
  int batched = 0;
  const auto run_batch = [&] {
    for (int k = 0; k < batched; ++k) {
      voice& v = voices_[size_t(active[batch[k]])];
      voice_context::lane_stage& st = context_.lanes[size_t(k)];
      st.frames = n;
      for (int i = 0; i < n; ++i) {
        if (!v.lanes_source_sample(st, i)) {
          st.frames = i + 1;
          break;
        }
        if (i + 1 < n && v.lanes_controls_in_stages()) {
          st.frames = v.lanes_sources_in_stages(st, i + 1, n);
          break;
        }
      }
      v.lanes_sources_end(st, n);
      frames[batch[k]] = int16_t(st.frames);
    }
    run_lane_filters(active, batch, batched);
    run_lane_shapers(active, batch, batched);
    for (int k = 0; k < batched; ++k) voices_[size_t(active[batch[k]])].lanes_output(context_.lanes[size_t(k)], l, r);
    batched = 0;
  };
  for (int a = 0; a < count; ++a) {
    if (!in_lanes[a]) continue;
    batch[batched++] = a;
    if (batched == lanes) run_batch();
  }
  if (batched > 0) run_batch();
}

// The main filters of a batch: voices with one variant that sounded the
// same frames side by side (the whole batch can be one run), each from the
// coefficients its own updates and modulation give every sample. The
// coefficients of all the runs that sounded the same frames are made
// together first, so that up to eight filters share the coefficient lanes;
// a run alone with its frames may take them as columns, untransposed.
void synth::run_lane_filters(const int16_t* active, const int* batch, int batched) {
  constexpr int lanes = voice_context::lane_count;
  struct run_group {
    svf_lanes::lane lane[svf_lanes::max_lanes];
    voice* members[svf_lanes::max_lanes];
    voice_context::lane_stage* stages[svf_lanes::max_lanes];
    int count, frames, variant;
    bool columns;  // the coefficients are in context_.columns
  };
  run_group groups[lanes];
  int grouped = 0;
  bool done[lanes] = {};
  for (int k = 0; k < batched; ++k) {
    if (done[k]) continue;
    const voice& first = voices_[size_t(active[batch[k]])];
    if (!first.lanes_filtered()) continue;
    run_group& g = groups[grouped++];
    g.frames = context_.lanes[size_t(k)].frames;
    g.variant = first.filter_variant();
    g.count = 0;
    g.columns = false;
    for (int j = k; j < batched; ++j) {
      voice& v = voices_[size_t(active[batch[j]])];
      if (g.count == svf_lanes::max_lanes) break;
      if (done[j] || !v.lanes_filtered() || v.filter_variant() != g.variant ||
          context_.lanes[size_t(j)].frames != g.frames)
        continue;
      done[j] = true;
      voice_context::lane_stage& st = context_.lanes[size_t(j)];
      g.lane[g.count] = {v.main_filter().state(), st.x.data(), st.f.data(), st.q.data(), st.limit.data(),
                         st.sat_a.data(), st.sat_bias.data(), st.y.data()};
      g.stages[g.count] = &st;
      g.members[g.count++] = &v;
    }
  }
  bool prepared[lanes] = {};
  for (int k = 0; k < grouped; ++k) {
    if (prepared[k]) continue;
    voice* members[lanes];
    voice_context::lane_stage* stages[lanes];
    int count = 0, runs = 0;
    for (int j = k; j < grouped; ++j) {
      if (prepared[j] || groups[j].frames != groups[k].frames) continue;
      prepared[j] = true;
      ++runs;
      for (int m = 0; m < groups[j].count; ++m) {
        members[count] = groups[j].members[m];
        stages[count++] = groups[j].stages[m];
      }
    }
    groups[k].columns = prepare_lane_filters(members, stages, count, groups[k].frames, runs == 1);
  }
  const svf_lanes::coefficient_columns columns = columns_of(context_.columns);
  for (int k = 0; k < grouped; ++k) {
    run_group& g = groups[k];
    if (g.columns) {
      svf_lanes::run_columns(g.variant, g.lane, g.count, g.frames, columns);
    } else {
      svf_lanes::run(g.variant, g.lane, g.count, g.frames);
    }
    for (int m = 0; m < g.count; ++m) g.members[m]->main_filter().set_state(g.lane[m].state);
  }
}

// The inputs and per-sample coefficients of a group of filters: the FMod
// smoothers side by side, then the coefficients of the voices under FMod
// alone together, the others' each on its own. With `columns` (the group is
// one run of the filter lanes) and every voice under FMod alone, the
// coefficients go to context_.columns where the kernel allows: returns true
// if they did.
bool synth::prepare_lane_filters(voice* const* members, voice_context::lane_stage* const* stages, int count,
                                 int frames, bool columns) {
  constexpr int lanes = voice_context::lane_count;
  static_assert(lanes == state_variable_filter::max_control_lanes, "a run's coefficients are one set of columns");
  state_variable_filter* smoothing[lanes] = {};
  const float* mixer[lanes] = {};
  float* smoothed[lanes] = {};
  int fmods = 0;
  for (int m = 0; m < count; ++m) {
    if (!members[m]->lanes_fmod()) continue;
    smoothing[fmods] = &members[m]->main_filter();
    mixer[fmods] = stages[m]->mix.data();
    smoothed[fmods++] = stages[m]->smoothed.data();
  }
  state_variable_filter::smooth_fmod(smoothing, mixer, smoothed, fmods, frames);
  state_variable_filter::control_lane controls[lanes];
  int controlled = 0;
  for (int m = 0; m < count; ++m) {
    const bool together = fmods > 1 && members[m]->lanes_fmod();  // a lone voice's own loop is quicker
    members[m]->lanes_filter_inputs(*stages[m], !together);
    if (!together) continue;
    controls[controlled++] = {&members[m]->main_filter(), &members[m]->lanes_filter_controls(),
                              stages[m]->cutoff.data(), stages[m]->due.data(), stages[m]->smoothed.data(),
                              voice::lanes_coefficients(*stages[m])};
  }
  if (controlled == 0) return false;
  if (columns && controlled == count &&
      state_variable_filter::controls_columns(controls, controlled, frames, columns_of(context_.columns)))
    return true;
  state_variable_filter::controls_lanes(controls, controlled, frames);
  return false;
}

// The shapers of a batch: voices with one shaper mode that sounded the
// same frames side by side; then their shaper filters.
void synth::run_lane_shapers(const int16_t* active, const int* batch, int batched) {
  constexpr int lanes = voice_context::lane_count;
  static_assert(lanes <= shaper_lanes, "a batch's shapers run in one group");
  bool done[lanes] = {};
  for (int k = 0; k < batched; ++k) {
    voices_[size_t(active[batch[k]])].lanes_shaper_input(context_.lanes[size_t(k)]);
    done[k] = !voices_[size_t(active[batch[k]])].lanes_shaped();
  }
  for (int k = 0; k < batched; ++k) {
    if (done[k]) continue;
    const int frames = context_.lanes[size_t(k)].frames;
    shaper_voice group[lanes];
    int32_t* io[lanes];
    int count = 0;
    for (int j = k; j < batched; ++j) {
      const shaper_voice sv = voices_[size_t(active[batch[j]])].lanes_shaper();
      if (done[j] || context_.lanes[size_t(j)].frames != frames || (count > 0 && sv.mode != group[0].mode)) continue;
      done[j] = true;
      group[count] = sv;
      io[count++] = context_.lanes[size_t(j)].x.data();
    }
    shape_lanes(group, count, group[0].mode, io, io, frames);
  }
  voice* members[lanes];
  voice_context::lane_stage* stages[lanes];
  for (int k = 0; k < batched; ++k) {
    members[k] = &voices_[size_t(active[batch[k]])];
    stages[k] = &context_.lanes[size_t(k)];
  }
  voice::lanes_shaper_filters(members, stages, batched);
}

void synth::run_level_meter(const float* left, const float* right, int frames) {
  if (voices_rendered_ > 0) {
    meter_active_ = true;
    meter_.process(left, right, frames);
    return;
  }
  if (!meter_active_) return;
  const float largest = std::max(meter_.read(0), meter_.read(1));
  if (largest > 0.001f) {
    meter_.process(left, right, frames);
  } else {
    meter_.reset();
    meter_active_ = false;
  }
}

void synth::follow_host_tempo(float bpm) {
  if (bpm == tempo_ || !(bpm > 0.f)) return;
  set_tempo(bpm);
}

void synth::set_tempo(float bpm) {
  platform::scoped_lock hold(lock_);
  tempo_ = bpm;
  context_.tempo_bpm = bpm;
  for (int i = 0; i < pool_size(); ++i) voices_[size_t(i)].refresh_lfo_rates();
}

void synth::reset_after_suspend() {
  allocator_.reset();
  for (voice& v : voices_) v.kill();
  output_.reset();
  effects_->clear_all();
  previous_slot_.fill(-1);
}

void synth::rebuild_voice_pool() {
  platform::scoped_lock hold(lock_);
  allocator_.configure(polyphonic_, voice_slots_, mono_priority_);
  for (voice& v : voices_) v.reset();
  previous_slot_.fill(-1);
}

void synth::update_rate_context() {
  context_.set_sample_rate(sample_rate_);
  output_.init(sample_rate_);
  meter_.init(sample_rate_);
  for (voice& v : voices_) {
    v.update_rates();
    if (v.program() >= 0) v.load_program(v.program(), bank_.slots[size_t(v.program())]);
  }
}

void synth::set_saw_count(int count) {
  platform::scoped_lock hold(lock_);
  saw_count_ = std::clamp(count, 1, 16);
  for (voice& v : voices_) v.set_saw_count(saw_count_);
}

}  // namespace synth
