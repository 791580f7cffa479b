#include "plugin/vst2/vst2_events.h"

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

constexpr int32_t midi_bytes = 3;

}  // namespace

void queue_vst_events(instance& it, const VstEvents* events) {
  if (!events || events->numEvents <= 0) return;
  for (int32_t i = 0; i < events->numEvents; ++i) {
    const VstEvent* ev = event_at(events, i);
    if (!ev || ev->type != kVstMidiType) continue;  // SysEx and others are not ours
    const auto& midi = *reinterpret_cast<const VstMidiEvent*>(ev);
    uint8_t bytes[midi_bytes];
    std::memcpy(bytes, midi.midiData, midi_bytes);
    it.queue_midi(midi.deltaFrames, bytes, midi_bytes);
  }
}

}  // namespace plugin
