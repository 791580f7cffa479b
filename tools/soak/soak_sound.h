// What a slow block was playing, in one compact line for the soak's log:
// the program's name, the settings that decide which render path a voice
// takes and what it costs (pool and unison, waveforms and A's width, the
// ramps of a spread Ramp, XMod and sync, the filter and shaper modes, FMod,
// glide and its time, B's keytrack, noise, the parameter smoothing), the
// effects in the slots, and the voices by envelope stage:
//
//   program "Hat" | voices Poly 28 unison 1 smooth 0.045 glide Linear time 0.62 osc A Ramp ... ramps 16 | fx Tone - - - |
//   rendered 28: held 28, released 0, silent 0
//
// Pure: the host reads the displays and the voice stages, this only lays
// them out, so the line is the same wherever the values come from.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace soak {

// The parameters the line shows, each under a label of its own; index into
// the instance's 0..105 numbering.
struct sound_field {
  const char* label;
  int32_t index;
};
extern const std::array<sound_field, 23> sound_fields;

// Voices by the stage command 78 reports: 0..2 held (attack, decay,
// sustain), 3 released, 4 silent.
struct voice_stages {
  int32_t held = 0, released = 0, silent = 0;
  void add(int32_t stage) {
    if (stage < 3) ++held;
    else if (stage == 3) ++released;
    else ++silent;
  }
};

// `display(index)` is the parameter's display text ("Saw", "0.42");
// `effects` the names in the four slots ("-" for an empty one); `saws` the
// ramps of a spread Ramp waveform (1..16); `rendered` the voices the last
// block rendered.
std::string sound_line(const std::string& program, const std::function<std::string(int32_t)>& display,
                       const std::array<const char*, 4>& effects, int32_t saws, int32_t rendered,
                       const voice_stages& stages);

}  // namespace soak
