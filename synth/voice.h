// One voice: two oscillators (or PCM players), mixer, main filter, shaper and
// shaper filter, two envelopes, two LFOs, the fixed modulation connections and
// the parameter smoothing. Knows no host types; runs on the audio thread only.
//
// Fixed-point conventions: depths and "Panning" are Q31 (v * 2^31, +1 ->
// 0x7FFFFFFF); envelope levels have full scale 2^30; LFO outputs +-32767.
// Pitch, width, detune and cutoff sources are at 2^15 full scale (envelopes
// >> 15, LFOs as they are); amplitude works at 2^30.
#pragma once

#include <array>
#include <cstdint>

#include "synth/dsp/envelope.h"
#include "synth/dsp/lfo.h"
#include "synth/dsp/one_pole.h"
#include "synth/dsp/osc_control.h"
#include "synth/dsp/oscillator.h"
#include "synth/dsp/pcm_player.h"
#include "synth/dsp/shaper_curve.h"
#include "synth/dsp/shaper_filter.h"
#include "synth/dsp/shaper_stage.h"
#include "synth/dsp/state_variable_filter.h"
#include "synth/param_table.h"
#include "synth/preset.h"
#include "synth/voice_context.h"

namespace synth {

// Values that approach a new goal over the smoothing time instead of jumping.
template <typename T>
struct smoothing_list {
  static constexpr int capacity = 48;
  struct entry {
    T* target;
    T goal;
    uint32_t end;  // the tick of `clock` at which the goal is set exactly
  };
  int count = 0;  // first: the engine checks it every block
  // Ticks counted while entries glide, and the earliest end among them (or
  // earlier, once the entry that had it was renewed). Ends compare in
  // wrapping arithmetic, so the count may run on for ever.
  uint32_t clock = 0;
  uint32_t soonest = 0;
  std::array<entry, capacity> entries{};
  // Bit i: entry i moves one of the path's filter or shaper controls, which
  // only a full filter update applies (the rest reach the sound through the
  // connections and gains a busy tick evaluates anyway).
  uint64_t filter_entries = 0;
  static_assert(capacity <= 64);

  void add(T* target, T goal, int32_t ticks, bool feeds_filters);
  void flush();  // every goal at once
  // One tick: the entries that end at it take their goals exactly, the
  // others move towards them by the smoothing coefficient (c_q32 in
  // unsigned 0.32 for integer values, c for float ones).
  void run(uint32_t c_q32, float c);
  // The clock one tick on: true when an entry may end at this tick
  // (settle_ended then sets and removes the ones that do).
  bool tick_ends() {
    ++clock;
    return int32_t(soonest - clock) <= 0;
  }
  void settle_ended();
  void clear() {
    count = 0;
    filter_entries = 0;
  }
  // Entry i is done: the last one takes its place.
  void remove(int i) {
    --count;
    const uint64_t last = (filter_entries >> count) & 1u;
    filter_entries &= ~(uint64_t(1) << count);
    if (i == count) return;
    entries[size_t(i)] = entries[size_t(count)];
    filter_entries = (filter_entries & ~(uint64_t(1) << i)) | last << i;
  }
};

template <>
void smoothing_list<int32_t>::run(uint32_t c_q32, float c);
template <>
void smoothing_list<float>::run(uint32_t c_q32, float c);

// The signal path after the mixer as the stepped parameters lay it out:
// the main filter, the shaper and the shaper filter with their states.
struct voice_path {
  state_variable_filter filter;
  one_pole_lowpass tone;        // splits the shaper input: only the highs are shaped
  one_pole_highpass shaper_dc;  // 5 Hz: removes the offset the shaping creates
  shaper_filter shflt;
  int filter_mode = 0;          // 0 bypass
  int shaper_mode = 0;
  int shflt_mode = 0;           // 0 bypass
};

// A stepped change that swaps a signal path (waveform, filter mode and
// family, shaper mode, shaper filter mode, the amplifier's envelope) under a
// sounding voice crossfades from the old path, run on in a copy, to the new
// one over this time. Nothing runs while no fade is pending.
constexpr float path_fade_seconds = 0.01f;

class voice {
 public:
  // Once, before use: binds the shared context and sets every member.
  void init(voice_context* ctx);
  // After the context's rate changed: declick, smoothing and filter constants.
  void update_rates();

  // Pool rebuild: silent, no program, velocity gain 1.
  void reset();
  // All sound off: not sounding, key up, envelopes idle, bend ratio 1.
  void kill();
  // Clears the state of a slot about to be reused while silent.
  void clear();

  // --- program and parameters -------------------------------------------------
  int program() const { return program_; }
  uint32_t stamp() const { return stamp_; }
  void load_program(int program, const preset& p);
  // A per-preset value (0..88) in internal units; smooth when sounding.
  void set_param(int index, float value, bool smooth);

  // --- note ----------------------------------------------------------------------
  void set_note(int note) { note_ = note; }
  int note() const { return note_; }
  void set_velocity(float v) { velocity_ = v; }
  float velocity() const { return velocity_; }
  float release_velocity() const { return release_velocity_; }
  void set_tuning(float semitones);       // global transpose + fine tune
  // The tuning table changed: the key's pitch again (a sounding voice moves).
  void retune() { update_pitch_references(); }
  void set_random_offset(float semitones);
  void set_unison(float detune_semitones, float weight_left, float weight_right);
  void set_bend_ratio(float ratio) {
    bend_ratio_ = ratio;
    dirty_ = true;
  }
  // Per-note expression (MPE member channels, polyphonic aftertouch): the
  // channel the note follows (-1 none), its bend in semitones (applied with
  // the bend ratio by the engine), pressure and slide 0..1. A released note
  // keeps its last values: the engine updates only gated voices.
  struct expression {
    int channel = -1;
    float bend = 0.f;            // -1 .. +1, as the channel sent it
    float bend_semitones = 0.f;  // bend x the channel's bend range
    float pressure = 0.f;
    float slide = 0.f;
  };
  void set_expression(const expression& e) { expression_ = e; }
  expression& note_expression() { return expression_; }
  const expression& note_expression() const { return expression_; }
  void begin_glide(bool jump);
  void glide_from_pitch_of(const voice& other);
  void copy_glide_state(const voice& other);
  void start(bool retrigger);
  void release(float velocity);
  void set_saw_count(int count);
  void seed_lfos(uint32_t seed) {
    lfo_a_.reseed(seed);
    lfo_b_.reseed(seed ^ 0x5BD1E995u);
  }
  void refresh_lfo_rates();

  // --- rendering -----------------------------------------------------------------
  bool active() const { return active_; }
  bool gated() const { return key_gate_; }
  bool should_stop() const;
  void stop() { active_ = false; }
  // The stop rule at the start of a block; a silent voice then catches the
  // block up. True when the voice sounds in this block.
  bool begin_or_catch_up(int n) {
    if (active_ && should_stop()) active_ = false;
    if (active_) return true;
    catch_up(n);
    return false;
  }
  // Renders n frames added into left/right; stops early when the voice ends,
  // catching up the rest of the block. render is the fast engine, which skips
  // control work whose inputs did not change; render_reference runs the whole
  // control tick at every sample. Both give the same samples.
  void render(float* left, float* right, int n);
  void render_reference(float* left, float* right, int n);
  // The fast engine a block at a time, for an engine that interleaves the
  // samples of several voices: begin_block, then either render_static (a
  // block whose controls cannot move) or step for every frame until it
  // returns false (the voice ended; the block is caught up), then end_block.
  // Without `noise` the voice leaves the shared noise generator alone, which
  // is right when reads_noise() is false.
  bool reads_noise() const;
  void begin_block();
  bool block_is_static() const;
  void render_static(float* left, float* right, int n, bool noise);
  // A staged block: what moves reaches only the gains and the filter's
  // cutoff (an envelope's attack, decay or release, a tremolo, a filter
  // sweep); false when the voice ended in it.
  bool block_is_staged() const;
  bool render_staged(float* left, float* right, int n, bool noise);
  // A block in which LFOs move the oscillators or the filter every sample
  // (or XMod, a glide, smoothing): the plain tick, sample by sample.
  bool block_is_busy() const;
  void render_busy(float* left, float* right, int n, bool noise);
  // A block in which sources move the oscillators' pitch or width every
  // sample, besides the gains and the cutoff, and the ticks can still run
  // ahead of the audio (voice_moving.cpp): the ticks for the block first,
  // then the oscillators a block at a time from each sample's controls,
  // then the mixer, the path and the output in stages. A voice that reads
  // noise never takes it.
  bool block_moves_oscillators() const { return moving_block_; }
  void render_moving(float* left, float* right, int n, bool noise);
  // A block on its own (static, staged, moving, busy, or one that replans
  // after a change), begin_block done and no noise read; the frames the
  // voice sounded in it.
  int render_alone(float* left, float* right, int n);
  // A block planned for the fast tick sample by sample only because a value
  // was set from outside: render_alone takes its first tick alone and plans
  // the rest anew.
  bool replans_after_change(int n) const;
  bool step(float* left, float* right, int i, int n, bool noise);
  void end_block();
  // A busy block whose stages can be split across voices (voice_lanes.cpp):
  // lanes_source_sample runs the tick, oscillators and mixer of a sample into
  // `st` (lanes_sources_in_stages the rest of the block at once, when
  // lanes_controls_in_stages), lanes_sources_end closes the block or ends
  // the voice; lanes_filter_inputs makes the main filter's inputs and
  // coefficients of every sample; the filter itself runs outside, several voices
  // at once (svf_lanes); lanes_shaper_input hands its output to the shaper
  // (shape_lanes, several voices at once), lanes_shaper_filters runs the
  // shaper filters of a batch (several voices at once), lanes_output adds
  // the result to the output.
  bool block_runs_in_lanes() const;
  bool lanes_source_sample(voice_context::lane_stage& st, int i);
  bool lanes_controls_in_stages() const;
  int lanes_controls_ahead(voice_context::lane_stage& st, int from, int n);
  int lanes_sources_in_stages(voice_context::lane_stage& st, int from, int n);
  void lanes_sources_end(voice_context::lane_stage& st, int n);
  bool lanes_filtered() const { return path_.filter_mode > 0; }
  bool lanes_fmod() const { return path_.filter.fmod_alone(filter_ctl_); }
  int filter_variant() const { return path_.filter.variant(); }
  state_variable_filter& main_filter() { return path_.filter; }
  void lanes_filter_inputs(voice_context::lane_stage& st, bool coefficients);
  static state_variable_filter::coefficient_run lanes_coefficients(voice_context::lane_stage& st);
  const filter_controls& lanes_filter_controls() const { return filter_ctl_; }
  void lanes_shaper_input(voice_context::lane_stage& st);
  bool lanes_shaped() const { return shaper_on_; }
  shaper_voice lanes_shaper() { return shaper_of(path_); }
  static void lanes_shaper_filters(voice* const* voices, voice_context::lane_stage* const* stages, int count);
  void lanes_output(const voice_context::lane_stage& st, float* left, float* right);
  // A static or staged block (of a voice that reads no noise) run in the
  // same stages: staged_lane_sources makes stage 1 (controls, oscillators,
  // mixer) into `st` and returns the frames sounded; lanes_filter_inputs on
  // take it to the output as for a busy block.
  bool block_stages_in_lanes() const;
  int staged_lane_sources(voice_context::lane_stage& st, int n);

  // A silent voice keeps time: smoothing done, envelopes and LFOs advanced.
  void catch_up(int ticks);

  // --- inspection ----------------------------------------------------------------
  int32_t samples_rendered() const { return frames_rendered_; }
  const envelope& env(int i) const { return i == 0 ? env_a_ : env_b_; }
  const lfo& mod(int i) const { return i == 0 ? lfo_a_ : lfo_b_; }
  int32_t declick_level() const { return declick_level_; }
  int amp_envelope() const { return amp_env_select_; }
  float pitch_offset() const { return tune_ + unison_detune_ + random_offset_; }
  float frequency_a() const { return hz_a_; }
  float osc_increment(int i) const { return i == 0 ? osc_a_.increment() : osc_b_.increment(); }

 private:
  struct int_connection {
    const int32_t* source;
    const int32_t* depth;
    int32_t* dest;
    int32_t kind;  // 0 add, 1 bipolar multiply
  };

  void set_smoothed(int32_t* target, int32_t value, bool smooth, bool is_depth);
  void set_smoothed(float* target, float value, bool smooth);
  bool feeds_filters(const void* target) const;
  void set_mixer_level(int which, bool smooth);
  void set_shaper_depth(float x);
  void update_pitch_references();
  void apply_waveform(int osc, int value);
  void apply_sync(int mode);

  void rebuild_connections();
  int stage_sources(int from, int n);
  int stage_envelopes(int from, int n, bool tick_a, bool tick_b);
  void stage_connections(int from, int n);
  void stage_oscillator_controls(voice_context::lane_stage& st, int from, int n);
  const int32_t* stage_source(const int32_t* src, int& shift);
  int32_t* stage_destination(const int32_t* dest);
  void control_tick();
  void render_plain(float* left, float* right, int n, bool noise);
  void render_planned(float* left, float* right, int n, bool noise);
  uint32_t tick_sources();
  void publish_sources();
  void render_sample(float* left, float* right);
  void run_smoothing();
  void run_envelopes();
  void run_envelope(int e);
  bool envelope_gate_now(int e) const;
  void run_declick() { declick_level_ = declick_step(declick_level_); }
  // The declick gate one tick on from `level`.
  int32_t declick_step(int32_t level) const;
  // The stop rule with no amplifier fade under way, for the envelopes and
  // the declick level given (a block's stage keeps them in locals).
  bool stops_with(const envelope& env_a, const envelope& env_b, int32_t declick) const;
  // The same from the amplifier envelope's level and stage alone (read only
  // when an envelope is the amplifier's).
  bool stops_with(int32_t amp_level, envelope::stage_id amp_stage, int32_t declick) const;
  void evaluate_connections();
  void evaluate_routed_connections();
  void evaluate_gain_connections();
  void apply_connections(int from, int to);
  void apply_routed_connections();
  void update_oscillators();
  void fill_osc_inputs();
  void apply_osc_controls();
  bool repitch_oscillators();
  void retune_oscillators();
  void reglide_oscillators();
  void take_increments();
  void rewidth_oscillator_a();
  bool begin_tick();
  bool busy_tick(bool defer_cutoff);
  // The destinations a busy tick compares with their values at the last tick.
  struct busy_inputs {
    int32_t pitch, width, detune, cutoff, amplitude;
    float xmod_a, xmod_b;
  };
  bool busy_controls(const busy_inputs& before, bool fresh, bool defer_cutoff);
  void lanes_audio_sample(voice_context::lane_stage& st, int i, bool cutoff_due);
  template <bool busy>
  bool step_as(float* left, float* right, int i, int n, bool noise);
  void update_cutoff();
  // The fast engine (voice_render.cpp).
  void plan_block();
  void plan_for(bool smoothing);
  enum : uint8_t { smooth_gains = 1, smooth_filter = 2, smooth_mixer = 4, smooth_cutoff = 8, smooth_path = 16 };
  // What a staged tick leaves due at its sample: the main filter's update
  // (update_cutoff), or every path control's (update_filters).
  enum : uint8_t { due_cutoff = 1, due_path = 2 };
  bool depth_reaches_cutoff_only(const int32_t* depth) const;
  uint8_t staged_smoothing() const;
  uint32_t moving_sources() const;
  void fast_tick();
  void advance_idle_lfos();
  bool filter_follows_audio() const;
  bool oscillators_free_running() const;
  uint8_t staged_tick();
  void keep_path_controls(voice_context::path_stage& ps, int i) const;
  void take_path_controls(const voice_context::path_stage& ps, int i);
  bool controls_run_ahead(uint32_t moving, bool smoothing) const;
  int moving_controls(voice_context::lane_stage& st, int n);
  void keep_tick_controls(voice_context::lane_stage& st, int i, bool cutoff_due);
  void thin_cutoff_updates(voice_context::lane_stage& st, int frames);
  void render_moving_sources(float* mix, int frames);
  int moving_lane_sources(voice_context::lane_stage& st, int n);
  bool end_moving_block(int frames, int n);
  bool gains_follow_amp_envelope() const;
  bool render_amp_envelope(float* left, float* right, int n, bool noise);
  void render_stages(float* left, float* right, int n, const float* nz, const float* gl, const float* gr,
                     const int32_t* cut, const uint8_t* due);
  void render_sources(float* mix, int n, const float* nz);
  void render_path(float* left, float* right, int n, float* mix, const float* gl, const float* gr,
                   const int32_t* cut, const uint8_t* due);
  int amp_envelope_controls(float* nz, float* gl, float* gr, int n, bool noise);
  int amp_envelope_levels(int32_t* level, int n, bool tick_a, bool tick_b, int32_t& changed);
  int staged_controls(float* nz, float* gl, float* gr, int32_t* cut, uint8_t* due, int n, bool noise,
                      bool& any_due);
  bool end_staged_block(int frames, int n);
  uint32_t source_bit(const int32_t* src) const;
  void update_filters();
  void update_output_gains();
  void follow_pan(int32_t pan_now);
  void output_gains_block(const int32_t* amplitude, const int32_t* pan, float* gl, float* gr, int n);
  float render_oscillator(int which);
  voice_mixer mixer_levels() const { return {mix_a_, mix_b_, mix_ring_, mix_noise_}; }
  float mixer_sample();
  void stage_oscillators(voice_context::lane_stage& st, int from, int frames);
  int32_t run_path(voice_path& path, float mixer);
  int32_t run_shaper(voice_path& path, int32_t s);
  shaper_voice shaper_of(voice_path& path);
  void begin_path_fade();
  void begin_osc_fade(int which);
  void update_path_controls(voice_path& path);

  voice_context* ctx_ = nullptr;

  oscillator osc_a_;
  oscillator osc_b_;
  uint32_t smooth_c_q32_ = 0;  // smoothing coefficient as unsigned 0.32
  float smooth_c_ = 0.f;
  int32_t smooth_ticks_ = 1;
  pcm_player pcm_a_;
  pcm_player pcm_b_;
  envelope env_a_;
  envelope env_b_;
  lfo lfo_a_;
  lfo lfo_b_;
  osc_control_state osc_ctl_;
  osc_control_inputs osc_in_;
  osc_control_result osc_last_;  // the last full oscillator controls
  float hz_a_ = 0.f;            // oscillator A before XMod, as of the last tick
  float range_ratio_ = 1.f;     // "Range": 2^(range - 2), 8' is concert pitch
  float coarse_b_ = 0.f, fine_b_ = 0.f;
  bool glide_started_ = false;

  // Program and note.
  int program_ = -1;
  uint32_t stamp_ = 0;
  int note_ = 60;
  float velocity_ = 0.f;
  float release_velocity_ = 0.f;
  float tune_ = 0.f;
  float unison_detune_ = 0.f;
  float random_offset_ = 0.f;
  float bend_ratio_ = 1.f;
  expression expression_;
  int32_t pitch_fixed_ = 0;  // (key pitch + offset) * 2^17 per semitone

  // Declick gate.
  int32_t declick_level_ = 0;  // 0..0x3FFFFFFF
  int32_t declick_attack_ = 0;
  int32_t declick_release_ = 0;

  // Main filter, shaper, shaper filter.
  voice_path path_;
  filter_controls filter_ctl_;
  int filter_trigger_ = 0;
  int32_t filter_keytrack_ = 0;  // Q31 depth of the keytrack source
  bool shaper_on_ = false;
  float shaper_depth_ = 0.f;   // smoothed "Depth"
  float shaper_applied_depth_ = -1.f;
  shaper_curve shaper_;
  float shaper_bias_ = 0.f;
  float shaper_tone_ = 0.5f;   // smoothed "Tone"
  float shaper_applied_tone_ = -1.f;
  int32_t shflt_frequency_ = 0;
  int32_t shflt_keytrack_ = 0;
  float shflt_resonance_ = 0.f;

  // Mixer: "Level" values remembered so "Invert" can re-apply them.
  float level_value_[4] = {0.f, 0.f, 0.f, 0.f};  // osc A, osc B, ring, noise
  bool invert_[2] = {false, false};
  float mix_a_ = 0.f, mix_b_ = 0.f, mix_ring_ = 0.f, mix_noise_ = 0.f;
  float out_a_ = 0.f, out_b_ = 0.f;
  int waveform_[2] = {0, 0};

  // Output.
  int32_t volume_ = 0;   // gain * 0.25, Q31
  int32_t panning_ = 0;  // Q31
  float gain_left_ = 0.f, gain_right_ = 0.f;
  int32_t pan_applied_ = INT32_MIN;  // pan position the weights below were made for
  float pan_weight_left_ = 0.f, pan_weight_right_ = 0.f;
  // Crossfades of stepped changes (see path_fade_seconds): the old path and
  // oscillators run on in copies for fade_length_ samples.
  int fade_length_ = 1;
  int path_fade_left_ = 0;
  int osc_fade_left_[2] = {0, 0};
  bool amp_switched_ = false;     // the amplifier's envelope changed: fade the gains
  float gain_fade_left_ = 0.f, gain_fade_right_ = 0.f;  // old gain - new gain
  int gain_fade_remaining_ = 0;
  float unison_left_ = 1.f, unison_right_ = 1.f;
  float velocity_gain_ = 1.f;

  // Modulation depths (Q31 unless float) and their parameter indices.
  std::array<int32_t, preset_param_count> depth_{};
  float xmod_depth_a_ = 0.f, xmod_depth_b_ = 0.f;

  // Sources published at each tick.
  struct published_sources {
    int32_t keytrack = 0;
    int32_t gate = 0;
    int32_t env[2] = {0, 0};    // full scale 2^30
    int32_t env15[2] = {0, 0};  // >> 15
    int32_t lfo[2] = {0, 0};    // +-32767
    int32_t lfo30[2] = {0, 0};  // << 15
    float xmod = 0.f;
    bool operator==(const published_sources&) const = default;
  };
  published_sources src_;

  // Destinations cleared at each tick.
  int32_t dst_amplitude_ = 0;
  int32_t dst_pan_ = 0;
  int32_t dst_pitch_ = 0;
  int32_t dst_width_ = 0;
  int32_t dst_detune_ = 0;
  int32_t dst_cutoff_ = 0;
  float dst_xmod_a_ = 0.f;
  float dst_xmod_b_ = 0.f;

  std::array<int_connection, 24> int_conn_{};
  int int_conn_count_ = 0;
  int gain_conn_count_ = 0;  // the amplitude and pan connections, first in the list
  // The list's connections into pitch, width, detune and cutoff as a table
  // (rebuild_connections): per destination its four sources' depths (the
  // envelopes A and B in 15 bits, the LFOs A and B), each masked all ones
  // where the list holds that connection, and the cutoff's keytrack.
  // `routed_table_` when enough of them are in the list for the table's
  // fixed sum to beat walking it.
  std::array<std::array<int32_t, 4>, 4> routed_mask_{};
  int32_t routed_keytrack_mask_ = 0;
  bool routed_table_ = false;

  // The fast engine's plan for the block and what moved in this tick.
  // `dirty_` is raised by every change from outside the tick (parameters,
  // notes, tuning, bend, rates) and makes the next tick evaluate everything.
  enum : uint32_t {
    source_keytrack = 1, source_gate = 2, source_env_a = 4, source_env_b = 8,
    source_lfo_a = 16, source_lfo_b = 32, source_xmod = 64,
  };
  uint32_t connection_sources_ = 0;      // sources the connection list reads
  bool connections_stale_ = true;        // a depth or the amplifier's envelope changed
  bool dirty_ = true;
  // This tick's smoothing: some value moved (fast_tick then evaluates
  // everything, as after a change), and whether one of them was a filter or
  // shaper control (the busy tick then updates the filters in full; the
  // other smoothed values reach the sound through what it evaluates anyway).
  bool smoothed_ = false;
  bool smoothed_filters_ = false;
  bool lfo_ticks_[2] = {true, true};     // this block: tick per sample, or advance in bulk
  uint32_t lfo_skipped_[2] = {0, 0};     // ticks owed to an LFO advanced in bulk
  bool envelope_settled_[2] = {false, false};  // this block: the envelope cannot move
  bool declick_settled_ = false;
  bool glide_moving_ = false;
  bool static_block_ = false;            // this block: no control work at all
  bool staged_block_ = false;            // this block: only gains and cutoff move
  bool staged_cutoff_ = false;           // ... and the cutoff among them
  uint8_t smoothing_staged_ = 0;         // ... and smoothing it follows (smooth_gains, ...)
  bool busy_block_ = false;              // this block: the plain tick
  bool moving_block_ = false;            // this block: the ticks ahead, the oscillators' controls per sample
  bool gains_fading_ = false;            // the last gains carried a fade step
  bool busy_evaluated_ = false;          // this block: a busy tick has evaluated the connections

  // Flags and counters.
  bool active_ = false;
  bool key_gate_ = false;
  int amp_env_select_ = 1;
  int env_trigger_[2] = {0, 0};
  int sync_mode_ = 0;
  int countdown_ = 0;
  int32_t frames_rendered_ = 0;

  // Cold: touched only while parameters glide or a stepped change fades.
  smoothing_list<int32_t> int_list_;
  smoothing_list<float> float_list_;
  voice_path fading_path_;
  oscillator fading_osc_[2];
};

}  // namespace synth
