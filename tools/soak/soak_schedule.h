// The soak's seeded random schedule: for every 64-frame block, what a busy
// host and a restless user do to the instance before that block is
// processed. The same seed gives the same actions in the same blocks, so a
// breach can be replayed (SOAK_SEED). Pure: it knows nothing of the plug-in
// beyond the pool the host reports back (set_pool).
//
// Shape: playing stretches of chords at the polyphony limit, running notes,
// program changes (MIDI and the host's), every parameter automated at a rate
// of its own (drawn anew every few seconds), effect slots swapped and their
// values moved, states, banks, presets and chunks saved and loaded, the
// song started and stopped, the editor opened, closed and resized, learnt
// controllers; every half minute or so a quiet stretch: all notes off, the
// song stopped, nothing started for five seconds, then the stuck-note check.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "tools/soak/soak_random.h"

namespace soak {

constexpr double sample_rate = 44100.0;
constexpr int32_t block_frames = 64;
constexpr double blocks_per_second = sample_rate / block_frames;

constexpr int32_t host_parameters = 89;    // 0..88: every host's automation lanes
constexpr int32_t all_parameters = 106;    // 89..105: the instance's globals (the editor's)
constexpr int32_t voices_parameter = 89;   // "Voices": 0..3 mono, 4..35 Poly 1..32
constexpr int32_t voices_steps = 36;
constexpr int32_t unison_parameter = 101;  // "Unison Voices": 1..16 layers
constexpr int32_t unison_steps = 16;
constexpr int32_t effect_slots = 4;
constexpr int32_t effect_kinds = 16;       // the registry's effects; the host names them
constexpr int32_t editor_scales = 4;       // content scales the host offers (soak_host)
constexpr double quiet_seconds = 5.0;      // all notes off .. the stuck-note check
// The memory check's stretch at the end of every minute: settle at its
// start, the sample at the minute's last block, nothing else between.
constexpr double settle_seconds = 3.0;

enum class act : uint8_t {
  note_on,          // frame, a = key, b = velocity
  note_off,         // frame, a = key
  controller,       // frame, a = controller, b = value
  pitch_bend,       // frame, a = 14-bit value
  midi_program,     // frame, a = program
  all_notes_off,    // frame (controller 123): a quiet stretch begins
  host_program,     // effSetProgram a
  automate,         // setParameter a (0..105) to value
  tempo,            // the host's tempo: value in BPM
  effect_swap,      // slot a gets effect b (-1: emptied)
  effect_value,     // slot a, its parameter b, value 0..1 of its range
  learn_arm,        // controller learn armed for parameter a
  learn_clear,      // every controller unmapped
  save_state,       // a = file number
  load_state,
  save_bank,
  load_bank,
  save_preset,
  load_preset,
  start_files,      // the user's init state and bank saved (a = 0) or loaded (a = 1)
  chunk_round,      // effGetChunk then effSetChunk of its bytes; a = 1: program chunk
  song_start,
  song_stop,
  editor_open,
  editor_close,
  editor_resize,    // a = content scale index
  editor_idle,
  stuck_check,      // quiet_seconds after all_notes_off: no voice may still be held
  settle,           // the memory check's fixed state: editor closed, song stopped, slots emptied, state loaded
  memory_sample,    // settle_seconds later: the heap and resident memory read at that state
  count
};

const char* act_name(act a);

struct action {
  act kind = act::editor_idle;
  int32_t frame = 0;  // within the block, for MIDI
  int32_t a = 0;
  int32_t b = 0;
  float value = 0.f;
};

class schedule {
 public:
  static constexpr int32_t save_files = 3;  // file numbers 0..2 of each kind, reused

  explicit schedule(uint64_t seed);

  // The actions before block number `block` (called with 0, 1, 2, ... in
  // turn); `out` is cleared first. MIDI actions are in frame order.
  void next_block(std::vector<action>& out);
  // The pool the instance reports: its voice slots (chords are sized to
  // them) and unison layers. Loads of states and banks change both behind
  // the schedule's back.
  void set_pool(int32_t slots, int32_t layers) {
    slots_ = polyphony_ = slots < 1 ? 1 : slots;
    layers_ = layers < 1 ? 1 : layers;
  }
  int64_t block() const { return block_; }
  bool quiet() const { return quiet_until_ > block_; }
  // Blocks in a minute: the memory sample is the last of each.
  static int64_t minute_blocks() { return int64_t(60.0 * blocks_per_second); }

 private:
  struct lane {
    int64_t next = 0;    // block of the next change
    int64_t period = 1;  // blocks between changes
    float value = 0.f;
    float step = 0.f;    // a ramp's step per change; 0 jumps
  };
  int64_t blocks(double seconds) const { return int64_t(seconds * blocks_per_second); }
  int64_t some_time(double lo, double hi) { return block_ + blocks(lo + (hi - lo) * rng_.unit()); }
  void redraw_lane(int32_t index);
  void automation(std::vector<action>& out);
  void notes(std::vector<action>& out);
  void chord(std::vector<action>& out);
  void release_all(std::vector<action>& out, int32_t frame);
  void host_side(std::vector<action>& out);
  void editor(std::vector<action>& out);
  void begin_quiet(std::vector<action>& out);
  void structural(std::vector<action>& out, int32_t index);
  bool settling(std::vector<action>& out);

  random rng_;
  int64_t block_ = 0;
  int32_t polyphony_ = 16;
  int32_t slots_ = 16, layers_ = 1;  // as the schedule last set them ("Voices" Poly 16 at start)
  std::array<lane, all_parameters> lanes_{};
  int64_t lanes_redrawn_ = 0;
  std::vector<uint8_t> held_;  // keys this schedule holds down
  int64_t next_chord_ = 0, next_run_note_ = 0, next_program_ = 0, next_bend_ = 0, next_sustain_ = 0;
  int64_t next_effect_ = 0, next_effect_value_ = 0, next_file_ = 0, next_chunk_ = 0, next_song_ = 0;
  int64_t next_learn_ = 0, next_learn_cc_ = 0, next_tempo_ = 0, next_quiet_ = 0;
  int64_t next_editor_ = 0, next_resize_ = 0, next_idle_ = 0;
  int64_t quiet_until_ = -1;
  bool editor_open_ = false, song_on_ = false, sustain_down_ = false;
  int32_t learnt_controller_ = -1, learn_value_ = 0, learn_count_ = 0;
  int32_t file_step_ = 0, effect_step_ = 0, resize_step_ = 0, program_step_ = 0;
};

}  // namespace soak
