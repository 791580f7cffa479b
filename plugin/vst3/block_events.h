// One process call's notes, note expressions and parameter points, gathered
// from the host's event list and parameter queues and put in frame order
// before they are queued on the instance, so a controller and a note at the
// same frame keep the order the host gave (parameters first), and a note's
// expression follows its note-on. Fixed capacity: what does not
// fit is dropped, never allocated for on the audio thread.
#pragma once

#include <cstdint>

namespace vst3_shell {

struct block_event {
  enum kind_t : uint8_t { parameter, midi, note_expression };
  int32_t frame;
  kind_t kind;
  int32_t index;  // parameter: the sound parameter's index; note_expression: the key
  float value;    // parameter: normalised; note_expression: as plugin::instance takes it
  uint8_t bytes[3];  // midi
  uint8_t size;      // midi: bytes used; note_expression: a plugin::instance::note_detail
};

class block_events {
 public:
  static constexpr int32_t capacity = 4096;

  void clear() { count_ = 0; }
  int32_t size() const { return count_; }
  const block_event& operator[](int32_t i) const { return events_[i]; }

  void add_parameter(int32_t frame, int32_t index, float value) {
    add(block_event{frame, block_event::parameter, index, value, {0, 0, 0}, 0});
  }
  void add_midi(int32_t frame, uint8_t b0, uint8_t b1, uint8_t b2, uint8_t size) {
    add(block_event{frame, block_event::midi, -1, 0.f, {b0, b1, b2}, size});
  }
  void add_note_expression(int32_t frame, int32_t key, uint8_t what, float value) {
    add(block_event{frame, block_event::note_expression, key, value, {0, 0, 0}, what});
  }

 private:
  // Insertion keeps equal frames in arrival order; the lists arrive almost
  // sorted, so this is close to linear.
  void add(const block_event& e) {
    if (count_ >= capacity) return;
    int32_t at = count_++;
    while (at > 0 && events_[at - 1].frame > e.frame) {
      events_[at] = events_[at - 1];
      --at;
    }
    events_[at] = e;
  }

  block_event events_[capacity];
  int32_t count_ = 0;
};

}  // namespace vst3_shell
