#include "tools/soak/soak_schedule.h"

#include <algorithm>
#include <cmath>

namespace soak {

namespace {

constexpr int32_t lowest_key = 24, highest_key = 108;
constexpr int32_t controller_sustain = 64;
constexpr int32_t controller_all_notes_off = 123;
// Controllers with no meaning of their own (14..31, 102..119): the ones a
// user would teach to a knob.
constexpr int32_t learnable[] = {14, 15, 16, 17, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31,
                                 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115};
constexpr double slowest_lane_seconds = 10.0;  // automation: one change in 10 s ..
constexpr double lane_redraw_lo = 6.0, lane_redraw_hi = 15.0;  // .. rates drawn anew
// The structural globals (pool size, unison layers) rebuild the voice pool:
// at most a knob drag's pace.
constexpr double structural_lane_seconds = 0.05;
// Voices (slots x unison layers) the schedule lets sound at most: the pool
// at its limit of 32 slots with one layer, or fewer slots with more layers
// (up to 16). The timing bound is judged at the pool's polyphony limit, not
// at 512 voices (32 slots of 16 layers: the voices benchmark measures those).
constexpr int32_t driven_voices = 32;
constexpr int32_t most_layers = 16;

// The normalised host value that lands on step k of an n-step parameter.
float step_value(int32_t k, int32_t steps) { return (float(k) + 0.5f) / (float(steps - 1) + 0.999f); }

}  // namespace

const char* act_name(act a) {
  static const char* const names[] = {
      "note on",      "note off",     "controller",  "pitch bend",    "MIDI program", "all notes off",
      "host program", "automation",   "tempo",       "effect swap",   "effect value", "learn arm",
      "learn clear",  "state save",   "state load",  "bank save",     "bank load",    "preset save",
      "preset load",  "start files",  "chunk round", "song start",    "song stop",    "editor open",
      "editor close", "editor resize", "editor idle", "stuck check",  "settle",       "memory sample"};
  static_assert(sizeof names / sizeof names[0] == size_t(act::count));
  return names[size_t(a)];
}

schedule::schedule(uint64_t seed) : rng_(seed) {
  held_.reserve(128);
  // Every kind of action comes within the first half minute, so the memory
  // the instance needs for all of them is in place before RSS is judged.
  next_chord_ = some_time(0.1, 1.0);
  next_run_note_ = some_time(0.5, 2.0);
  next_program_ = some_time(1.0, 8.0);
  next_bend_ = some_time(0.1, 1.0);
  next_sustain_ = some_time(1.0, 6.0);
  next_effect_ = some_time(0.5, 5.0);
  next_effect_value_ = some_time(1.0, 6.0);
  next_file_ = some_time(1.0, 4.0);
  next_chunk_ = some_time(1.0, 8.0);
  next_song_ = some_time(2.0, 10.0);
  next_learn_ = some_time(2.0, 10.0);
  next_tempo_ = some_time(1.0, 20.0);
  next_quiet_ = some_time(15.0, 30.0);
  next_editor_ = 0;  // the editor opens first thing
  next_resize_ = some_time(2.0, 6.0);
  for (int32_t i = 0; i < all_parameters; ++i) redraw_lane(i);
  lanes_redrawn_ = some_time(lane_redraw_lo, lane_redraw_hi);
}

// A rate between one change per block and one per ten seconds, spread
// evenly over the octaves; a third of the lanes ramp, the rest jump.
void schedule::redraw_lane(int32_t index) {
  lane& l = lanes_[size_t(index)];
  const double slowest = double(blocks(slowest_lane_seconds));
  double period = std::exp(rng_.unit() * std::log(slowest));
  if (index == voices_parameter || index == unison_parameter)
    period = std::max(period, double(blocks(structural_lane_seconds)));
  l.period = std::max<int64_t>(1, int64_t(period));
  l.next = block_ + rng_.below(int32_t(l.period)) + 1;
  l.value = float(rng_.unit());
  l.step = rng_.chance(1.0 / 3.0) ? float((rng_.unit() - 0.5) * 0.1) : 0.f;
}

// The pool's size and its unison layers move together: a new slot count
// sheds layers past driven_voices (a second action), a new layer count is
// drawn within what the slots leave.
void schedule::structural(std::vector<action>& out, int32_t index) {
  if (index == voices_parameter) {
    const int32_t k = rng_.below(voices_steps);  // 0..3 mono, 4..35 Poly 1..32
    slots_ = k <= 3 ? 1 : k - 3;
    out.push_back({act::automate, 0, index, 0, step_value(k, voices_steps)});
    if (slots_ * layers_ <= driven_voices) return;
    layers_ = std::max(1, driven_voices / slots_);
  } else {
    layers_ = rng_.between(1, std::min(most_layers, std::max(1, driven_voices / slots_)));
  }
  out.push_back({act::automate, 0, unison_parameter, 0, step_value(layers_ - 1, unison_steps)});
}

void schedule::automation(std::vector<action>& out) {
  if (block_ >= lanes_redrawn_) {
    for (int32_t i = 0; i < all_parameters; ++i) redraw_lane(i);
    lanes_redrawn_ = some_time(lane_redraw_lo, lane_redraw_hi);
  }
  for (int32_t i = 0; i < all_parameters; ++i) {
    lane& l = lanes_[size_t(i)];
    if (block_ < l.next) continue;
    l.next = block_ + l.period;
    if (i == voices_parameter || i == unison_parameter) {
      structural(out, i);
      continue;
    }
    if (l.step != 0.f) {
      l.value += l.step;
      if (l.value < 0.f || l.value > 1.f) {
        l.step = -l.step;
        l.value = std::clamp(l.value, 0.f, 1.f);
      }
    } else {
      l.value = float(rng_.unit());
    }
    out.push_back({act::automate, 0, i, 0, l.value});
  }
}

void schedule::release_all(std::vector<action>& out, int32_t frame) {
  for (uint8_t key : held_) out.push_back({act::note_off, frame, key, 0, 0.f});
  held_.clear();
}

// A chord as wide as the pool, give or take: a few notes short of it, or a
// few past it so that the oldest voices are stolen.
void schedule::chord(std::vector<action>& out) {
  release_all(out, 0);
  const int32_t span = highest_key - lowest_key + 1;
  const int32_t size = std::clamp(polyphony_ + rng_.between(-2, 4), 1, span);
  // `size` distinct keys from a window at least 40 keys wide: a partial
  // shuffle of the window.
  const int32_t width = std::clamp(size + 12, 40, span);
  const int32_t root = rng_.between(lowest_key, highest_key - width + 1);
  std::array<uint8_t, 128> keys{};
  for (int32_t k = 0; k < width; ++k) keys[size_t(k)] = uint8_t(root + k);
  for (int32_t n = 0; n < size; ++n) {
    std::swap(keys[size_t(n)], keys[size_t(n + rng_.below(width - n))]);
    held_.push_back(keys[size_t(n)]);
    out.push_back({act::note_on, rng_.between(1, block_frames - 1), keys[size_t(n)], rng_.between(1, 127), 0.f});
  }
}

void schedule::notes(std::vector<action>& out) {
  if (quiet()) return;
  if (block_ >= next_chord_) {
    chord(out);
    next_chord_ = some_time(0.05, 2.5);
  }
  if (block_ >= next_run_note_) {
    // A running note over the chord: started, and let go in a later chord change.
    const int32_t key = rng_.between(lowest_key, highest_key);
    if (std::find(held_.begin(), held_.end(), uint8_t(key)) == held_.end()) {
      held_.push_back(uint8_t(key));
      out.push_back({act::note_on, rng_.below(block_frames), key, rng_.between(1, 127), 0.f});
    }
    next_run_note_ = some_time(0.02, 0.4);
  }
  if (block_ >= next_sustain_) {
    sustain_down_ = !sustain_down_;
    out.push_back({act::controller, rng_.below(block_frames), controller_sustain, sustain_down_ ? 127 : 0, 0.f});
    next_sustain_ = some_time(0.5, 6.0);
  }
  if (block_ >= next_quiet_) begin_quiet(out);
}

void schedule::begin_quiet(std::vector<action>& out) {
  const int32_t frame = rng_.below(block_frames);
  out.push_back({act::all_notes_off, frame, controller_all_notes_off, 0, 0.f});
  held_.clear();
  sustain_down_ = false;
  if (song_on_) {
    out.push_back({act::song_stop, 0, 0, 0, 0.f});
    song_on_ = false;
  }
  quiet_until_ = block_ + blocks(quiet_seconds);
  next_quiet_ = quiet_until_ + blocks(15.0 + 30.0 * rng_.unit());
}

void schedule::host_side(std::vector<action>& out) {
  if (block_ == quiet_until_) out.push_back({act::stuck_check, 0, 0, 0, 0.f});
  if (block_ >= next_bend_) {
    out.push_back({act::pitch_bend, rng_.below(block_frames), rng_.below(16384), 0, 0.f});
    next_bend_ = some_time(0.02, 0.6);
  }
  if (block_ >= next_program_) {
    const int32_t program = rng_.below(128);
    if (++program_step_ % 2 == 0) out.push_back({act::midi_program, rng_.below(block_frames), program, 0, 0.f});
    else out.push_back({act::host_program, 0, program, 0, 0.f});
    next_program_ = some_time(1.0, 10.0);
  }
  if (block_ >= next_tempo_) {
    out.push_back({act::tempo, 0, 0, 0, float(60 + rng_.below(141))});
    next_tempo_ = some_time(5.0, 30.0);
  }
  if (block_ >= next_effect_) {
    // The opening swaps put every effect in a slot once (what each allocates
    // is in place within the first minute); then at random.
    if (effect_step_ < effect_kinds) {
      out.push_back({act::effect_swap, 0, effect_step_ % effect_slots, effect_step_, 0.f});
      ++effect_step_;
      next_effect_ = some_time(0.5, 3.0);
    } else {
      const int32_t kind = rng_.chance(0.15) ? -1 : rng_.below(effect_kinds);
      out.push_back({act::effect_swap, 0, rng_.below(effect_slots), kind, 0.f});
      next_effect_ = some_time(0.5, 6.0);
    }
  }
  if (block_ >= next_effect_value_) {
    out.push_back({act::effect_value, 0, rng_.below(effect_slots), rng_.below(12), float(rng_.unit())});
    next_effect_value_ = some_time(0.01, 0.3);
  }
  if (block_ >= next_learn_) {
    // Every third time the whole map is forgotten, else one more parameter learnt.
    if (++learn_count_ % 3 == 0) {
      out.push_back({act::learn_clear, 0, 0, 0, 0.f});
      learnt_controller_ = -1;
    } else {
      out.push_back({act::learn_arm, 0, rng_.below(host_parameters), 0, 0.f});
      learnt_controller_ = learnable[rng_.below(int32_t(sizeof learnable / sizeof learnable[0]))];
    }
    next_learn_ = some_time(4.0, 20.0);
  }
  if (learnt_controller_ >= 0 && block_ >= next_learn_cc_) {
    learn_value_ = (learn_value_ + rng_.between(1, 9)) % 128;
    out.push_back({act::controller, rng_.below(block_frames), learnt_controller_, learn_value_, 0.f});
    next_learn_cc_ = some_time(0.005, 0.1);
  }
  if (block_ >= next_file_) {
    static constexpr act kinds[] = {act::save_state, act::load_state, act::save_bank,  act::load_bank,
                                    act::save_preset, act::load_preset, act::start_files};
    // The opening round does each kind once, saves before loads; then at random.
    static constexpr act opening[] = {act::save_state, act::save_bank, act::save_preset, act::start_files,
                                      act::load_state, act::load_bank, act::load_preset, act::start_files};
    constexpr int32_t opening_count = int32_t(sizeof opening / sizeof opening[0]);
    const bool first_round = file_step_ < opening_count;
    const act k = first_round ? opening[file_step_] : kinds[size_t(rng_.below(7))];
    int32_t number = k == act::start_files ? rng_.below(2) : rng_.below(save_files);
    if (first_round) number = k == act::start_files ? (file_step_ < opening_count / 2 ? 0 : 1) : 0;
    ++file_step_;
    out.push_back({k, 0, number, 0, 0.f});
    next_file_ = some_time(1.0, 6.0);
  }
  if (block_ >= next_chunk_) {
    out.push_back({act::chunk_round, 0, rng_.below(2), 0, 0.f});
    next_chunk_ = some_time(1.0, 10.0);
  }
  if (block_ >= next_song_) {
    if (song_on_) {
      out.push_back({act::song_stop, 0, 0, 0, 0.f});
      song_on_ = false;
    } else if (!quiet()) {
      out.push_back({act::song_start, 0, 0, 0, 0.f});
      song_on_ = true;
    }
    next_song_ = some_time(3.0, 25.0);
  }
}

void schedule::editor(std::vector<action>& out) {
  if (block_ >= next_editor_) {
    editor_open_ = !editor_open_;
    out.push_back({editor_open_ ? act::editor_open : act::editor_close, 0, 0, 0, 0.f});
    next_editor_ = editor_open_ ? some_time(5.0, 40.0) : some_time(0.2, 3.0);
  }
  if (!editor_open_) return;
  if (block_ >= next_resize_) {
    // The opening resizes visit every scale, the largest first; then at random.
    const int32_t scale = resize_step_ < editor_scales ? editor_scales - 1 - resize_step_ : rng_.below(editor_scales);
    ++resize_step_;
    out.push_back({act::editor_resize, 0, scale, 0, 0.f});
    next_resize_ = some_time(2.0, resize_step_ <= editor_scales ? 8.0 : 12.0);
  }
  // A host's idle timer at about 50 Hz.
  if (block_ >= next_idle_) {
    out.push_back({act::editor_idle, 0, 0, 0, 0.f});
    next_idle_ = block_ + blocks(0.02);
  }
}

// The last settle_seconds of every minute: all notes off and the fixed
// state (settle), then nothing but a due stuck-note check until the
// minute's last block, which reads the memory. What the host's settle
// undoes (editor, song, held keys, learnt controller) the schedule forgets
// too; the editor opens again after the sample.
bool schedule::settling(std::vector<action>& out) {
  const int64_t minute = minute_blocks();
  const int64_t into = block_ % minute;
  const int64_t start = minute - 1 - blocks(settle_seconds);
  if (into < start) return false;
  if (into == start) {
    out.push_back({act::all_notes_off, 0, controller_all_notes_off, 0, 0.f});
    out.push_back({act::settle, 0, 0, 0, 0.f});
    held_.clear();
    sustain_down_ = song_on_ = editor_open_ = false;
    learnt_controller_ = -1;
    next_editor_ = block_ - into + minute;
  }
  if (block_ == quiet_until_) out.push_back({act::stuck_check, 0, 0, 0, 0.f});
  if (into == minute - 1) out.push_back({act::memory_sample, 0, 0, 0, 0.f});
  return true;
}

void schedule::next_block(std::vector<action>& out) {
  out.clear();
  if (settling(out)) {
    ++block_;
    return;
  }
  editor(out);
  host_side(out);
  notes(out);
  automation(out);
  // MIDI in frame order (the sort is stable: note offs before note ons at a frame).
  std::stable_sort(out.begin(), out.end(), [](const action& x, const action& y) { return x.frame < y.frame; });
  ++block_;
}

}  // namespace soak
