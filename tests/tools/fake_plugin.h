// An in-process VST 2.4 plug-in for testing the host side: it records what the
// host sends (events with their offsets, dispatcher calls) and what the host
// answered during the entry call, and writes a known signal.
#pragma once

#include <cstdint>
#include <vector>

#include "plugin/vst2/vst2.h"

namespace fake {

struct received_event {
  int32_t block;  // index of the process call that followed the events
  int32_t delta_frames;
  uint8_t bytes[3];
};

struct plugin {
  AEffect effect{};
  audioMasterCallback host = nullptr;
  intptr_t version_during_entry = 0;
  intptr_t wants_midi_answer = 0;
  std::vector<received_event> events;
  int32_t process_calls = 0;
  int32_t open_calls = 0;
  int32_t mains_on = 0;
  float params[4] = {};
  float output_value = 0.25f;  // what processReplacing writes, process adds
};

// Entries as a library would export them.
AEffect* VST_CALL entry(audioMasterCallback host);
AEffect* VST_CALL null_entry(audioMasterCallback host);
AEffect* VST_CALL bad_magic_entry(audioMasterCallback host);

plugin* from(AEffect* effect);
// Number of fake instances closed with effClose since the program started.
int32_t closed_count();

}  // namespace fake
