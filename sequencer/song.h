// The in-memory song: positions of per-channel pattern numbers and
// transposes, patterns of cells, the header values the player starts from,
// and, for AHX modules, one instrument record with its playlist per
// instrument. Loaded off the audio thread and swapped in under the engine
// lock; the player only reads it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sequencer {

constexpr int max_channels = 16;
constexpr int max_instruments = 128;  // bank slots

// Special values of cell::note (0..127 are note numbers).
namespace note_code {
enum : int32_t { none = -1, cut = -2, release = -3, filter_trigger = -4 };
}

struct cell {
  int32_t note = note_code::none;
  uint8_t retrigger = 0;     // 1: restart envelopes and phases; 0: change pitch only
  int32_t instrument = -1;   // 0-based; -1 none
  int32_t command = -1;      // -1 none
  int32_t parameter = 0;     // 0..255
  // AHX modules: the track command as written (0..15; -1 none) and its
  // parameter. The player runs the replayer's per-tick commands (slides,
  // portamento, volume slides) from these; `command` names them in the row text.
  int32_t ahx_command = -1;
  int32_t ahx_parameter = 0;
};

struct track_ref {
  int32_t pattern = 0;
  int32_t transpose = 0;  // semitones added to the notes of that pattern here
};

using position = std::array<track_ref, max_channels>;

// One AHX playlist step. Effects run command 1 first.
struct playlist_entry {
  uint8_t fx[2] = {0, 0};        // 0..7
  uint8_t fx_param[2] = {0, 0};
  uint8_t waveform = 0;          // 0 keep, 1 triangle, 2 sawtooth, 3 square, 4 noise
  uint8_t fixed = 0;             // the note is absolute, not relative to the track note
  uint8_t note = 0;              // 0 keep, 1..60
};

// What the player needs of an AHX instrument beyond its bank preset: the
// replayer's per-tick envelope, modulations and playlist. Volumes 0..64,
// lengths in ticks, square and filter positions on the 0..63 scale.
struct ahx_instrument {
  int32_t volume = 64;
  int32_t wavelength = 3;        // waves of 4 << n samples: an octave switch
  int32_t attack_ticks = 1, attack_volume = 64;
  int32_t decay_ticks = 1, decay_volume = 64;
  int32_t sustain_ticks = 1;
  int32_t release_ticks = 1, release_volume = 0;
  int32_t filter_lower = 0, filter_upper = 0, filter_speed = 0;  // version 1 only
  int32_t square_lower = 0, square_upper = 0, square_speed = 0;
  int32_t vibrato_delay = 0, vibrato_depth = 0, vibrato_speed = 0;
  int32_t hard_cut_ticks = 0;
  bool hard_cut_release = false;
  int32_t playlist_speed = 1;
  std::vector<playlist_entry> playlist;
};

enum class song_format : int32_t { own = 0, ahx = 1 };

struct song {
  std::string name;
  song_format format = song_format::own;
  int32_t version = 0;           // AHX module version (0 or 1)
  int32_t speed = 6;             // ticks per row
  int32_t swing = 0;             // 0..15
  int32_t tempo = 125;
  int32_t fourth = 255;          // carried to the player unchanged
  int32_t multiplier = 1;        // 1..4
  int32_t restart = 0;           // position after the end of the song
  int32_t rows_per_pattern = 64;
  int32_t channels = 0;
  int32_t instrument_count = 0;
  std::vector<position> positions;
  int32_t pattern_count = 0;
  std::vector<cell> cells;       // pattern p, row r at p * rows_per_pattern + r
  std::vector<ahx_instrument> instruments;  // AHX only, instrument i at i

  int32_t length() const { return int32_t(positions.size()); }
  // The cell of a channel at a position and row; an empty cell for anything
  // outside the song (a damaged pattern number reads as silence).
  const cell& at(int32_t position, int32_t channel, int32_t row) const;
  // Pattern storage for `count` empty patterns.
  void make_patterns(int32_t count);
  cell& pattern_cell(int32_t pattern, int32_t row) {
    return cells[size_t(pattern) * size_t(rows_per_pattern) + size_t(row)];
  }
};

}  // namespace sequencer
