// A Scala keyboard mapping (.kbm): which key plays which scale degree and
// the key that sounds a given frequency. Lines, in order: map size, first and
// last key retuned, middle key (where mapping entry 0 sits), reference key,
// its frequency in Hz, the degree the mapping repeats at (the formal octave),
// then one entry per key of the map: a degree, or "x" for a key left silent.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace synth {

// Most entries a mapping may hold (as the scale's note bound).
constexpr int max_keymap_size = 1024;
constexpr int keymap_unmapped = -1;

struct scala_keymap {
  int first_key = 0;
  int last_key = 127;
  int middle_key = 60;
  int reference_key = 60;
  double reference_hz = 261.6256;
  // 0: the scale's own size (its period), as with an empty map.
  int octave_degree = 0;
  // Entries 0..size-1: a degree or keymap_unmapped. Empty: key k plays
  // degree k - middle_key (a linear map).
  std::vector<int> map;
};

// Reads a whole .kbm text; on failure returns "Line N: reason" and leaves
// `out` as it was. A map may list fewer entries than its size: the keys of
// the missing entries are silent.
std::string read_scala_keymap(std::string_view text, scala_keymap& out);

}  // namespace synth
