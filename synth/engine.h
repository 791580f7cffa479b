// The synthesizer engine of one instance: the bank, the globals, the switches,
// and (with the voice path) the voices, MIDI, routes and controller map.
// Thread contract: parameter writes come from any thread and are lock-free
// (relaxed stores, marked for the audio thread); structural changes (voice
// pool, routes, controller map) take the engine lock, which the audio thread
// holds for each processing call.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/lock.h"
#include "platform/relaxed.h"
#include "synth/cc_map.h"
#include "synth/engine_flags.h"
#include "synth/host_interface.h"
#include "synth/param_changes.h"
#include "synth/param_table.h"
#include "synth/pcm_list.h"
#include "synth/kept_chunks.h"
#include "synth/level_follower.h"
#include "synth/master_stage.h"
#include "synth/mpe_zones.h"
#include "synth/preset.h"
#include "synth/routes.h"
#include "synth/tuning.h"
#include "synth/unison.h"
#include "synth/voice.h"
#include "synth/voice_allocator.h"

namespace fx {
class chain;
}

namespace synth {

constexpr int max_voice_slots = voice_allocator::max_slots;           // 32
constexpr int max_voices = max_voice_slots * max_unison_layers;          // 512

class synth final : private allocator_client, private route_client {
 public:
  synth();
  ~synth();
  synth(const synth&) = delete;
  synth& operator=(const synth&) = delete;

  void set_host(host_interface* host) { host_ = host; }
  host_interface* host() const { return host_; }

  // --- parameters: the one way in which a value changes --------------------
  // index 0..88 writes preset `program`; 89..105 the instance's globals.
  void set_param(int index, int program, float value);
  float get_param(int index, int program) const;
  // Normalised host values (0..1) of the current program, or of the globals.
  void set_param_normalised(int index, float normalised);
  float get_param_normalised(int index) const;
  void display_param(int index, int program, char* text, size_t cap) const;
  // The 17 global values in index order, for the instance state.
  void copy_globals(float* out) const;

  // --- programs ------------------------------------------------------------
  void select_program(int program);
  int current_program() const { return current_program_; }
  preset& program(int index) { return bank_.slots[size_t(index)]; }
  const preset& program(int index) const { return bank_.slots[size_t(index)]; }
  bank& presets() { return bank_; }
  preset& reset_preset() { return reset_preset_; }
  void set_program_name(int program, const char* name);

  // --- switches --------------------------------------------------------------
  // "recycle vcs" and "mono retrig" live in the allocator; the rest here.
  bool flag(engine_flag f) const;
  void set_flag(engine_flag f, bool on);

  // --- host state ------------------------------------------------------------
  void set_sample_rate(float rate);
  float sample_rate() const { return sample_rate_; }
  void set_running(bool on) { running_ = on; }
  bool running() const { return running_; }
  float tempo() const { return tempo_; }
  platform::lock& engine_lock() { return lock_; }

  // Editor change flags: 1 program changed, 2 display refresh; read and cleared.
  int poll_change_flags();
  void raise_display_refresh() { display_refresh_ = true; }
  void raise_program_changed() { program_changed_ = true; }

  // --- MIDI and audio (audio thread, under the engine lock) -----------------
  // The one MIDI entry: word = status | data1 << 8 | data2 << 16.
  void midi(uint32_t word, int data1, int frames_since_previous);
  // Per-note expression addressed by key rather than by a member channel
  // (hosts that name single notes): the held voices playing `key` take
  // `value` as their "Note Bend" (note_source::note_bend, in semitones),
  // "Note Pressure" or "Note Slide" (0..1). Released notes keep theirs, as
  // with polyphonic aftertouch; any other source changes nothing.
  void key_expression(int key, int32_t source, float value);
  // Renders every voice into left/right (added), the master stage, the
  // effect hook; frames <= the block the host announced.
  void render(float* left, float* right, int frames);
  void add_slot_ages(int frames) { allocator_.add_age(frames); }
  void run_level_meter(const float* left, const float* right, int frames);
  void follow_host_tempo(float bpm);
  // Every voice's LFOs take random start values from a process-wide
  // sequence, so that instances differ. Seeding them makes an instance start
  // like any other seeded alike: comparisons of engines, repeatable renders.
  void seed_lfos(uint32_t seed) {
    for (size_t i = 0; i < voices_.size(); ++i) voices_[i].seed_lfos(seed + uint32_t(i) * 0x9E3779B9u);
  }
  // The reference engine runs every voice through the plain per-sample loop
  // (voice::render_reference) instead of the fast one; for tests and the
  // voices benchmark. Set before audio starts.
  void set_reference_engine(bool on) { reference_engine_ = on; }
  bool reference_engine() const { return reference_engine_; }
  void reset_after_suspend();

  // --- readers for the editor, tools and tests --------------------------------
  voice_allocator& allocator() { return allocator_; }
  route_table& routes() { return routes_; }
  // Edits a route row from any thread: under the engine lock, because the
  // changed destination is recomputed into the voices at once.
  void set_route(int row, const route& r);
  cc_map& controller_map() { return cc_map_; }
  // The four insert effect slots after the master stage (fx/chain.h). The
  // engine holds them apart, made with it, so that its header need not
  // carry the effects'.
  fx::chain& effects() { return *effects_; }
  const voice& voice_at(int index) const { return voices_[size_t(index)]; }
  int pool_size() const { return voice_slots_ * unison_layers_; }
  int voices_rendered() const { return voices_rendered_; }
  bool meter_active() const { return meter_active_; }
  float meter_level(int channel) { return meter_.read(channel); }
  bool midi_activity() { return midi_activity_.load() ? (midi_activity_ = false, true) : false; }
  void mark_midi_activity() { midi_activity_ = true; }  // MIDI seen that the engine does not take
  int saw_count() const { return saw_count_; }
  void set_saw_count(int count);
  // The tempo of "Tempo" range LFOs; takes the engine lock (voices retime).
  void set_tempo(float bpm);
  // Loaded PCM waves: change them only under engine_lock().
  pcm_list& pcms() { return pcms_; }
  const pcm_list& pcms() const { return pcms_; }
  // State chunks kept for subsystems that are not built in yet.
  kept_chunks& kept() { return kept_; }
  // Editor notifications (null without an editor).
  void set_editor_sink(cc_client* sink) { editor_sink_ = sink; }

  // --- tuning (editor thread; each change takes the engine lock) ----------------
  // A .scl text replaces the scale and keeps the keyboard mapping; a .kbm
  // text replaces the mapping and keeps the scale (twelve equal steps when
  // none is loaded). On failure the error text ("Line N: ...") is returned
  // and the tuning stays as it was; empty on success. Sounding voices move.
  std::string load_tuning_scale(std::string_view scale_text);
  std::string load_tuning_keymap(std::string_view keymap_text);
  // Both at once, as the instance state stores them; all or nothing.
  std::string set_tuning(std::string_view scale_text, std::string_view keymap_text);
  void reset_tuning();  // key k plays pitch k again
  bool tuned() const { return tuning_.active; }
  // The texts of the loaded tuning (both empty without one); read them on
  // the editor's thread or under the engine lock.
  const tuning_texts& tuning_source() const { return tuning_texts_; }
  // The scale's description line, for the editor's display.
  std::string tuning_name();
  // Whether a key sounds under the tuning (drum mode asks for middle C).
  bool key_sounds(int key) const;

  // --- MPE (editor thread, takes the engine lock) --------------------------------
  bool mpe() const { return mpe_on_; }
  void set_mpe(bool on);
  // The zones as the state stores them: members of the lower and upper zone.
  void mpe_zone_sizes(int& lower, int& upper);
  void set_mpe_zones(bool on, int lower, int upper);

  // --- the sequence player's voices (audio thread, or under the engine lock) ----
  // Channel c of a song plays voice slot c with every unison layer of it.
  // Raises "Voices" to at least `slots` (polyphonic) when it is lower.
  void sequence_use_slots(int slots);
  // The program's 89 values into the slot's voices.
  void sequence_load(int slot, int program);
  // One value into the slot's voices at once (no smoothing): playlists switch
  // waveforms and filters tick by tick, as the replayer does.
  void sequence_param(int slot, int index, float value);
  // Starts the slot's voices at `note`: with retrigger from silence (phases,
  // filters and envelopes restart at this very sample), otherwise a change of
  // pitch that glides when the program glides.
  void sequence_start(int slot, int note, bool retrigger);
  void sequence_release(int slot);  // -1: every voice
  void sequence_cut(int slot);      // silent at once
  // The slot's amplitude factor and pitch offset (semitones), applied at the
  // voices' next sample; every slot starts at 1 and 0.
  void sequence_shape(int slot, float gain, float semitones);
  void sequence_clear_shapes();
  // Edits waiting for the voices (the presets of a song just loaded, the
  // editor's changes) reach them now, so that they land before the player
  // sets a voice up for a row rather than over that set-up a frame later.
  void sequence_settle() { apply_pending_changes(); }
  // Rendering a frame at a time: begin a piece of at most stepped_capacity
  // frames, step through its frames in order (the player changes the voices
  // of the first `stepped_slots` slots in between), end it into the outputs
  // (added) through the master stage and the effect slots, which run over the
  // whole piece. A stepped slot's voices render in runs, each up to a frame at
  // which the player changes them; the other slots' voices, which nothing
  // changes within the piece, in one run at its end. Runs give the samples a
  // frame at a time gives, without a block's set-up at every frame.
  static constexpr int stepped_capacity = voice_context::max_block;
  void begin_stepped(int frames, int stepped_slots);
  void render_step(int frame);
  void end_stepped(float* left, float* right, int frames);

  // --- global settings derived from the globals -------------------------------
  bool polyphonic() const { return polyphonic_; }
  int mono_priority() const { return mono_priority_; }
  int voice_slots() const { return voice_slots_; }
  int unison_layers() const { return unison_layers_; }
  float transpose() const { return transpose_; }      // semitones
  float fine_tune() const { return fine_tune_; }      // semitones, +-0.5
  float output_gain() const { return output_gain_; }  // linear
  float bend_range() const { return bend_range_; }    // semitones
  int global_glide_mode() const { return global_glide_mode_; }

 private:
  void apply_global(int index, float value);
  void rebuild_voice_pool();
  void apply_pending_changes();
  void apply_preset_change(int program, int param);
  void apply_global_change(int param);
  void send_to_voices(int program, int param);
  voice& layer_voice(int slot, int layer) { return voices_[size_t(layer * voice_slots_ + slot)]; }
  void load_voice_program(voice& v, int program);
  void start_layer(voice& v, int slot, int layer, int note, int velocity, bool retrigger,
                   bool was_gated);
  void glide_start(voice& v, int slot, int layer, bool was_gated);
  void retune_voice(voice& v);
  void spread_unison(int slot);
  void apply_tempo_to_voices();
  float random_uniform();
  // 2^(bend range * bend / 12): the pitch factor every voice takes from the bender.
  float bend_ratio() const;
  void apply_bend_to_voices();
  // With the voice's own note bend (0 outside MPE, so the same as bend_ratio()).
  float bend_ratio_of(const voice& v) const;
  void retune_voices();
  std::string install_tuning(const tuning_table& table, std::string_view scale_text, std::string_view keymap_text,
                             const std::string& name);
  // MPE: a member channel's bend, pressure or slide; true when the message
  // was one of these and is done.
  bool member_message(uint32_t status, int channel, int data1, int data2);
  void member_expression_changed(int channel, int32_t source);
  voice::expression start_expression(int note) const;
  void update_rate_context();
  // One block of every voice into l/r (added); returns how many sounded.
  // Within a stepped piece, only the voices of the slots it does not step.
  int render_voices(float* l, float* r, int n);
  bool runs_in_block(int index) const { return index % voice_slots_ >= stepped_slots_; }
  void flush_stepped(int slot);
  void run_lane_shapers(const int16_t* active, const int* batch, int batched);
  void run_lane_filters(const int16_t* active, const int* batch, int batched);
  bool prepare_lane_filters(voice* const* members, voice_context::lane_stage* const* stages, int count, int frames,
                            bool columns);
  void render_lanes(const int16_t* active, const bool* in_lanes, int16_t* frames, int count, float* l, float* r,
                    int n);
  void render_staged_lanes(const int16_t* active, int16_t* frames, int count, float* l, float* r, int n);
  int render_voices_reference(float* l, float* r, int n);

  // allocator_client
  void start_note(int slot, int note, int velocity, bool retrigger) override;
  void release_note(int slot, int velocity) override;
  void kill_voice(int slot) override;
  bool is_active(int slot) override;
  bool is_gated(int slot) override;
  void poly_pressure(int note, int value) override;
  void control_change(int number, int value) override;
  void program_change(int program) override;
  void channel_pressure(int value) override;
  void pitch_bend(float value) override;

  // route_client
  int voice_count() override { return voice_slots_ * unison_layers_; }
  int voice_program(int v) override { return voices_[size_t(v)].program(); }
  float preset_value(int program, int parameter) override;
  voice_sources voice_source(int v) override;
  const midi_state& midi() override { return midi_; }
  void apply_to_voice(int v, int parameter, float value) override;

  // Controller-map writes land here: the current program or the globals.
  struct cc_target final : cc_client {
    synth* owner = nullptr;
    void set_param(int index, float internal) override;
    float get_param(int index) override;
    void notify_parameter(int index, float normalised) override;
    void notify_message(const char* text, int number) override;
  };

  host_interface* host_ = nullptr;
  platform::lock lock_;
  std::unique_ptr<fx::chain> effects_;  // made in the constructor, never null
  bank bank_;
  preset reset_preset_;
  std::array<platform::relaxed<float>, global_param_count> globals_;
  std::array<platform::relaxed<bool>, engine_flag_count> flags_;
  param_changes changes_;

  platform::relaxed<int> current_program_{0};
  platform::relaxed<bool> program_changed_{false};
  platform::relaxed<bool> display_refresh_{false};
  float sample_rate_ = 44100.f;
  platform::relaxed<bool> running_{false};
  platform::relaxed<float> tempo_{120.f};

  platform::relaxed<bool> polyphonic_{false};
  platform::relaxed<int> mono_priority_{2};
  platform::relaxed<int> voice_slots_{1};
  platform::relaxed<int> unison_layers_{1};
  platform::relaxed<float> transpose_{0.f};
  platform::relaxed<float> fine_tune_{0.f};
  platform::relaxed<float> output_gain_{1.f};
  platform::relaxed<float> bend_range_{2.f};
  platform::relaxed<int> global_glide_mode_{0};
  platform::relaxed<float> unison_detune_{0.f};
  platform::relaxed<float> unison_randomization_{0.f};
  platform::relaxed<float> unison_width_{0.5f};
  platform::relaxed<int> saw_count_{16};
  pcm_list pcms_;
  kept_chunks kept_;

  // Audio-thread state.
  voice_context context_;
  voice_allocator allocator_{*this};
  route_table routes_{*this};
  cc_map cc_map_;
  cc_target cc_target_;
  cc_client* editor_sink_ = nullptr;
  midi_state midi_;
  tuning_table tuning_;
  tuning_texts tuning_texts_;
  std::string tuning_name_;
  mpe_zones mpe_;
  platform::relaxed<bool> mpe_on_{false};  // mpe_.on for other threads
  int note_channel_ = -1;  // the member channel of the note message being dispatched, or -1
  std::array<int8_t, max_voice_slots> previous_slot_{};
  uint32_t random_state_ = 0x2545F491u;
  master_stage output_;
  level_follower meter_;
  platform::relaxed<bool> meter_active_{false};
  platform::relaxed<int> voices_rendered_{0};
  platform::relaxed<bool> midi_activity_{false};
  bool reference_engine_ = false;
  std::array<voice, max_voices> voices_;
  // Sequence player: per-slot amplitude and pitch offset; within a stepped
  // piece, the frame due (frames before it may render), each stepped slot's
  // first frame not rendered yet, and which voices sounded.
  std::array<float, max_voice_slots> sequence_gain_;
  std::array<float, max_voice_slots> sequence_offset_{};
  int stepped_slots_ = 0;  // slots 0 .. stepped_slots_ - 1 are stepped; 0 outside a piece
  int stepped_frame_ = 0;
  std::array<int32_t, max_voice_slots> stepped_from_{};
  std::array<bool, max_voices> stepped_sounded_{};
};

}  // namespace synth
