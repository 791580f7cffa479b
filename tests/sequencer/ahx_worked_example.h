// The 70-byte version-0 AHX module of the format notes (one position, one
// stored 4-row track, one instrument with a one-step playlist), from its
// parts, for the loader and playback tests.
#pragma once

#include "tools/ahx/module.h"

namespace test_support {

inline ahx::module ahx_worked_example() {
  ahx::module m;
  m.name = "demo";
  m.version = 0;
  m.rows = 4;
  m.positions = {{ahx::track_ref{1, 0}, {0, 0}, {0, 0}, {0, 0}}};
  m.tracks.assign(2, std::vector<ahx::row>(4));
  m.tracks[1][0] = {25, 1, 0xF, 0x06};
  m.tracks[1][2] = {29, 1, 0, 0};
  m.tracks[1][3] = {32, 1, 0xC, 0x20};
  ahx::instrument lead;
  lead.name = "lead";
  lead.volume = 64;
  lead.wavelength = 3;
  lead.attack_ticks = 1, lead.attack_volume = 64, lead.decay_ticks = 10, lead.decay_volume = 32;
  lead.sustain_ticks = 16, lead.release_ticks = 20, lead.release_volume = 0;
  lead.square_lower = 0x20, lead.square_upper = 0x3F, lead.square_speed = 1;
  lead.playlist_speed = 1;
  ahx::entry e;
  e.fx[0] = 3;
  e.fx_param[0] = 0x20;
  e.waveform = 3;
  e.note = 1;
  lead.playlist = {e};
  m.instruments = {lead};
  return m;
}

}  // namespace test_support
