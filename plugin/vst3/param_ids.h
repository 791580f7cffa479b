// The parameter IDs the VST 3 shell exports. The sound's parameters keep the
// VST 2 indices as IDs (0..88), so automation recorded against the VST 2
// plug-in still finds them; the program selector and the hidden MIDI
// controller parameters sit far above, where new sound parameters never go.
#pragma once

#include <cstdint>

#include "plugin/instance.h"

namespace vst3_shell {

constexpr uint32_t sound_param_count = uint32_t(plugin::instance::param_count);
constexpr uint32_t program_param_id = 1000;

// One hidden parameter per MIDI channel and controller: CC 0..127, then
// channel pressure (128) and pitch bend (129), as the MIDI mapping numbers them.
constexpr uint32_t midi_channels = 16;
constexpr uint32_t midi_controls = 130;
constexpr uint32_t midi_param_first = 2000;
constexpr uint32_t midi_param_count = midi_channels * midi_controls;
constexpr int32_t channel_pressure_control = 128;
constexpr int32_t pitch_bend_control = 129;

constexpr uint32_t exported_param_count = sound_param_count + 1 + midi_param_count;

inline bool is_sound_param(uint32_t id) { return id < sound_param_count; }
inline bool is_midi_param(uint32_t id) {
  return id >= midi_param_first && id < midi_param_first + midi_param_count;
}
inline uint32_t midi_param_id(int32_t channel, int32_t control) {
  return midi_param_first + uint32_t(channel) * midi_controls + uint32_t(control);
}

// The ID at an index of the exported list: sound parameters, the program
// selector, then the MIDI parameters channel by channel. kNoParamId-like
// 0xFFFFFFFF outside.
inline uint32_t param_id_at(int32_t index) {
  if (index < 0) return 0xFFFFFFFFu;
  const uint32_t i = uint32_t(index);
  if (i < sound_param_count) return i;
  if (i == sound_param_count) return program_param_id;
  if (i < exported_param_count) return midi_param_first + (i - sound_param_count - 1);
  return 0xFFFFFFFFu;
}

}  // namespace vst3_shell
