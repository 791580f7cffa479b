// The MIDI events a host hands over for the next processing call. A host may
// call effProcessEvents more than once before a block (one list per source,
// or a list it could not merge); every call appends here, and the processing
// call takes them all in frame order. Storage is fixed: events beyond the
// capacity are dropped and counted, nothing is allocated.
//
// Thread: effProcessEvents comes on the audio thread right before the
// processing call it belongs to, so the queue needs no lock.
#pragma once

#include <array>
#include <cstdint>

#include "plugin/vst2.h"

namespace plugin {

struct queued_event {
  int32_t frame;  // deltaFrames as the host gave it
  uint32_t word;  // status | data1 << 8 | data2 << 16
};

class event_queue {
 public:
  // A few thousand per block: far more than a MIDI cable (about 3 per ms)
  // or a dense sequencer track sends, small enough to sort in a block.
  static constexpr int32_t capacity = 4096;

  // Appends the MIDI events of a host list (other kinds are skipped); a
  // negative or null list adds nothing.
  void append(const VstEvents* events);
  // The events in frame order; events of equal frames keep their arrival
  // order (earlier lists first). Valid until the next append or clear.
  const queued_event* sorted();
  int32_t size() const { return count_; }
  void clear() { count_ = 0; }
  // Events dropped because the queue was full, since the instance was made.
  int64_t dropped() const { return dropped_; }

 private:
  std::array<queued_event, capacity> events_{};
  std::array<queued_event, capacity> scratch_{};  // merge buffer
  int32_t count_ = 0;
  int64_t dropped_ = 0;
};

// The first three bytes of a MIDI event as one little-endian word.
uint32_t midi_word(const VstMidiEvent& ev);

}  // namespace plugin
