// The editor's live readings (meters, voice count, voice lights, envelope
// and LFO lights) of an instance that sounds elsewhere. A shell whose
// editor runs on a mirror that never renders (the LV2 UI) hands the mirror
// the sounding instance's readings; the mirror's command function answers
// the read-only display commands from them instead of its idle engine.
//
// On the wire the readings are a fixed vector of floats (`value_count` of
// them): counts and bit sets are exact as floats (held below 2^24).
#pragma once

#include <array>
#include <cstdint>

namespace plugin {

class instance;
struct command_args;

struct live_readings {
  static constexpr int32_t voice_lights = 32;  // the editor's voice slot lights
  static constexpr int32_t header_count = 16;
  static constexpr int32_t value_count = header_count + 3 * voice_lights;

  bool meter_active = false;
  std::array<float, 2> levels{};  // output peaks, left and right
  bool engine_running = false;
  int32_t voices_rendered = 0;
  int32_t slot_count = 0;
  int32_t displayed_voice_state = 0;
  std::array<int32_t, 2> envelope_stage{};
  std::array<float, 2> envelope_level{};
  std::array<int32_t, 2> lfo_flags{};
  std::array<float, 2> lfo_output{};
  int32_t displayed_slot = 0;  // what lfo_state returns
  std::array<float, voice_lights> voice_level{};    // voice_activity's value
  std::array<int32_t, voice_lights> voice_stage{};  // and its stage
  std::array<int32_t, voice_lights> voice_age{};    // samples rendered, held below 2^24
};

using live_values = std::array<float, live_readings::value_count>;

// Reads them from `p` through its command function, all under one hold of
// the engine lock (audio thread: no allocation).
void read_live(instance& p, live_readings& out);
void pack_live(const live_readings& in, live_values& out);
void unpack_live(const live_values& in, live_readings& out);
// When `number` is one of the readings' commands, fills `a` and `result`
// as the sounding instance would have; false for every other command.
bool answer_live(const live_readings& live, command_args& a, int number, int& result);

}  // namespace plugin
