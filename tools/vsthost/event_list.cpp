#include "tools/vsthost/event_list.h"

#include <algorithm>
#include <cstring>

namespace vsthost {

event_list::event_list(int32_t capacity) {
  capacity = std::max<int32_t>(capacity, 2);  // VstEvents declares two slots
  midi_.resize(size_t(capacity));
  order_.resize(size_t(capacity));
  const size_t bytes = offsetof(VstEvents, events) + size_t(capacity) * sizeof(VstEvent*);
  block_.resize((bytes + sizeof(intptr_t) - 1) / sizeof(intptr_t));
}

bool event_list::push(int32_t delta_frames, uint8_t b0, uint8_t b1, uint8_t b2) {
  if (count_ >= capacity() || delta_frames < 0) return false;
  VstMidiEvent& e = midi_[size_t(count_)];
  std::memset(&e, 0, sizeof e);
  e.type = kVstMidiType;
  e.byteSize = int32_t(sizeof(VstMidiEvent));
  e.deltaFrames = delta_frames;
  e.midiData[0] = char(b0);
  e.midiData[1] = char(b1);
  e.midiData[2] = char(b2);
  // Insertion keeps the order stable: a new event goes after every event at
  // the same or an earlier offset.
  int32_t at = count_;
  while (at > 0 && midi_[size_t(order_[size_t(at - 1)])].deltaFrames > delta_frames) {
    order_[size_t(at)] = order_[size_t(at - 1)];
    --at;
  }
  order_[size_t(at)] = count_;
  ++count_;
  return true;
}

VstEvents* event_list::prepare(int32_t frames) {
  VstEvents* h = header();
  h->numEvents = count_;
  h->reserved = 0;
  // The pointer array really holds capacity() entries (see the constructor);
  // address it from the raw storage, not through the two declared slots.
  VstEvent** slots = reinterpret_cast<VstEvent**>(reinterpret_cast<char*>(block_.data()) +
                                                  offsetof(VstEvents, events));
  const int32_t last = std::max(frames - 1, 0);
  for (int32_t i = 0; i < count_; ++i) {
    VstMidiEvent& e = midi_[size_t(order_[size_t(i)])];
    e.deltaFrames = std::clamp(e.deltaFrames, 0, last);
    slots[i] = reinterpret_cast<VstEvent*>(&e);
  }
  return h;
}

}  // namespace vsthost
