#include "plugin/event_queue.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace plugin {

namespace {

// VstEvents declares events[2] but holds numEvents pointers. Indexing the
// declared array past 2 is undefined, and the optimiser does cut such loops
// short, so the list is read through a pointer taken from the bytes.
const VstEvent* event_at(const VstEvents* list, int32_t i) {
  const auto* base = reinterpret_cast<const unsigned char*>(list) + offsetof(VstEvents, events);
  const VstEvent* ev;
  std::memcpy(&ev, base + size_t(i) * sizeof(VstEvent*), sizeof ev);
  return ev;
}

}  // namespace

uint32_t midi_word(const VstMidiEvent& ev) {
  return uint32_t(uint8_t(ev.midiData[0])) | uint32_t(uint8_t(ev.midiData[1])) << 8 |
         uint32_t(uint8_t(ev.midiData[2])) << 16;
}

void event_queue::append(const VstEvents* events) {
  if (!events || events->numEvents <= 0) return;
  for (int32_t i = 0; i < events->numEvents; ++i) {
    const VstEvent* ev = event_at(events, i);
    if (!ev || ev->type != kVstMidiType) continue;  // SysEx and others are not ours
    if (count_ == capacity) {
      ++dropped_;
      continue;
    }
    const auto& midi = *reinterpret_cast<const VstMidiEvent*>(ev);
    events_[size_t(count_++)] = {midi.deltaFrames, midi_word(midi)};
  }
}

// Lists arrive sorted on their own; only lists out of order with each other
// need the merge. A bottom-up merge sort is stable and needs no allocation.
const queued_event* event_queue::sorted() {
  const auto by_frame = [](const queued_event& a, const queued_event& b) { return a.frame < b.frame; };
  queued_event* from = events_.data();
  const int32_t n = count_;
  if (std::is_sorted(from, from + n, by_frame)) return from;
  queued_event* to = scratch_.data();
  for (int32_t width = 1; width < n; width *= 2) {
    for (int32_t lo = 0; lo < n; lo += 2 * width) {
      const int32_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
      std::merge(from + lo, from + mid, from + mid, from + hi, to + lo, by_frame);
    }
    std::swap(from, to);
  }
  if (from != events_.data()) std::copy(from, from + n, events_.data());
  return events_.data();
}

}  // namespace plugin
