// An AHX instrument as a bank preset: what a note of it sounds like when the
// preset is played from MIDI, and where the player starts from when a song
// triggers it.
#pragma once

#include <cstdint>

#include "sequencer/song.h"
#include "synth/preset.h"

namespace sequencer {

// Writes the instrument's values over p (the user's init preset, named).
// tick_hz: the module's replayer tick rate (50 Hz times the multiplier).
void ahx_preset(const ahx_instrument& in, int32_t version, float tick_hz, synth::preset& p);

// The first waveform and the first pulse and filter positions the playlist
// sets (triangle, 32 and off when it sets none): what the instrument sounds
// like from its first tick.
struct ahx_start {
  int32_t waveform = 1;
  int32_t square_position = 32;
  int32_t filter_position = 32;
  bool square_modulation = false;  // some entry switches the pulse sweep on
};
ahx_start ahx_start_of(const ahx_instrument& in, int32_t version);

}  // namespace sequencer
