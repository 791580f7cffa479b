// The events a shell queues for the next processing call: MIDI messages and
// parameter changes, each at a frame of the block. A host may hand over more
// than one list before a block (one per source, or lists it could not
// merge); every call appends here, and the processing call takes them all in
// frame order. Storage is fixed: events beyond the capacity are dropped and
// counted, nothing is allocated.
//
// Thread: shells queue on the audio thread right before the processing call
// the events belong to, so the queue needs no lock.
#pragma once

#include <array>
#include <cstdint>

namespace plugin {

struct queued_event {
  enum kind_t : uint8_t { midi, parameter, note_expression };
  int32_t frame = 0;   // offset into the block, as the host gave it
  kind_t kind = midi;
  uint32_t word = 0;   // midi: status | data1 << 8 | data2 << 16; note_expression: what it sets
  int32_t index = 0;   // parameter: its index; note_expression: the key
  float value = 0.f;   // parameter: normalised 0..1; note_expression: the value
};

class event_queue {
 public:
  // A few thousand per block: far more than a MIDI cable (about 3 per ms)
  // or a dense sequencer track sends, small enough to sort in a block.
  static constexpr int32_t capacity = 4096;

  // False when the queue is full (the event is counted as dropped).
  bool push_midi(int32_t frame, uint32_t word);
  bool push_parameter(int32_t frame, int32_t index, float value);
  bool push_note_expression(int32_t frame, int32_t key, uint32_t what, float value);
  // The events in frame order; events of equal frames keep their arrival
  // order. Valid until the next push or clear.
  const queued_event* sorted();
  int32_t size() const { return count_; }
  void clear() { count_ = 0; }
  // Events dropped because the queue was full, since the instance was made.
  int64_t dropped() const { return dropped_; }

 private:
  bool push(const queued_event& e);

  std::array<queued_event, capacity> events_{};
  std::array<queued_event, capacity> scratch_{};  // merge buffer
  int32_t count_ = 0;
  int64_t dropped_ = 0;
};

}  // namespace plugin
