// One process call's notes and parameter points, gathered from the host's
// event list and parameter queues and put in frame order before they are
// queued on the instance, so a controller and a note at the same frame keep
// the order the host gave (parameters first). Fixed capacity: what does not
// fit is dropped, never allocated for on the audio thread.
#pragma once

#include <cstdint>

namespace vst3_shell {

struct block_event {
  int32_t frame;
  int32_t index;  // sound parameter index, or -1 for MIDI bytes
  float value;
  uint8_t bytes[3];
  uint8_t size;
};

class block_events {
 public:
  static constexpr int32_t capacity = 4096;

  void clear() { count_ = 0; }
  int32_t size() const { return count_; }
  const block_event& operator[](int32_t i) const { return events_[i]; }

  void add_parameter(int32_t frame, int32_t index, float value) {
    add(block_event{frame, index, value, {0, 0, 0}, 0});
  }
  void add_midi(int32_t frame, uint8_t b0, uint8_t b1, uint8_t b2, uint8_t size) {
    add(block_event{frame, -1, 0.f, {b0, b1, b2}, size});
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
