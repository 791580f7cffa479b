// The notes a host has started with an ID and not yet ended, so that an
// expression addressed to an ID finds its key, and a tuning expression adds
// to the tuning the note started with. Fixed capacity, no allocation (audio
// thread); when full, the oldest entry gives way: a host that never ends its
// notes loses the expression of its oldest ones, not the newest.
#pragma once

#include <cstdint>

namespace vst3_shell {

struct held_note {
  int32_t id = -1;
  int16_t channel = 0;
  int16_t pitch = 0;
  float start_semitones = 0.f;       // the note-on's own tuning
  float expression_semitones = 0.f;  // the latest tuning expression
};

class held_notes {
 public:
  // More than a full keyboard on every channel a host plays at once.
  static constexpr int32_t capacity = 256;

  // A note-on with an ID (-1, "no ID", is not kept: nothing can address
  // it). A note already held under the same ID is replaced. Two notes on one
  // key keep their own IDs, though the engine sounds one key as one note.
  void start(int32_t id, int16_t channel, int16_t pitch, float start_semitones);
  // A note-off: by its ID, or by channel and pitch when it has none.
  void end(int32_t id, int16_t channel, int16_t pitch);
  held_note* find(int32_t id);
  void clear() { count_ = 0; }
  int32_t size() const { return count_; }

 private:
  void remove_at(int32_t i);

  held_note notes_[capacity];
  int32_t count_ = 0;  // notes_[0..count_) in start order, oldest first
};

}  // namespace vst3_shell
