// An AHX module as its parts ("THX", versions 0 and 1), and the writer that
// lays them out: header, subsong list, positions, tracks, instruments with
// their playlists, name table. All multi-byte fields are big-endian.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ahx {

struct row {
  int note = 0;        // 0 none, 1..60 (C-1..B-5)
  int instrument = 0;  // 0 none, 1..63
  int command = 0;     // 0..15
  int parameter = 0;   // 0..255
};

struct entry {
  int fx[2] = {0, 0};        // command 1 and command 2, 0..7
  int fx_param[2] = {0, 0};
  int waveform = 0;          // 0 keep, 1 triangle, 2 sawtooth, 3 square, 4 noise
  bool fixed = false;
  int note = 0;              // 0 keep, 1..60
};

struct instrument {
  std::string name;
  int volume = 64;
  int wavelength = 3;
  int attack_ticks = 1, attack_volume = 64;
  int decay_ticks = 1, decay_volume = 64;
  int sustain_ticks = 1;
  int release_ticks = 1, release_volume = 0;
  int filter_speed = 0, filter_lower = 0, filter_upper = 0;
  int vibrato_delay = 0, vibrato_depth = 0, vibrato_speed = 0;
  int hard_cut_ticks = 0;
  bool hard_cut_release = false;
  int square_lower = 0, square_upper = 0, square_speed = 0;
  int playlist_speed = 1;
  std::vector<entry> playlist;
};

struct track_ref {
  int track = 0;
  int transpose = 0;
};

struct module {
  std::string name;
  int version = 1;
  int multiplier = 1;  // 1..4: ticks at 50 Hz times this
  int restart = 0;
  int rows = 64;       // rows per track
  std::vector<int> subsongs;
  std::vector<std::array<track_ref, 4>> positions;
  std::vector<std::vector<row>> tracks;  // track i; each `rows` long (shorter ones are padded)
  std::vector<instrument> instruments;
};

// True when track 0 holds no note, instrument or command: then it is left out
// of the file and bit 15 of the header word at offset 6 says so.
bool track_zero_empty(const module& m);

std::vector<uint8_t> write_module(const module& m);

}  // namespace ahx
