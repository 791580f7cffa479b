#include "synth/scala_keymap.h"

#include <cmath>

#include "synth/scala_text.h"

namespace synth {

namespace {

constexpr double max_reference_hz = 1.0e6;

struct field {
  const char* missing;
  int64_t lo, hi;
};

// The six integer lines before and around the reference frequency.
constexpr field size_field{"map size missing", 0, max_keymap_size};
constexpr field key_field{"key number (0..127) missing", 0, 127};
constexpr field degree_field{"formal octave degree missing", 0, 100000};

}  // namespace

std::string read_scala_keymap(std::string_view text, scala_keymap& out) {
  if (text.empty()) return "Empty keyboard mapping file";
  if (text.size() > scala::max_text_bytes) return "Keyboard mapping file too large";
  if (!scala::valid_utf8(text)) return "Keyboard mapping file is not UTF-8 text";
  scala::line_reader lines(text);
  std::string_view line;
  int64_t values[7] = {};
  const field* fields[7] = {&size_field, &key_field, &key_field, &key_field, &key_field, nullptr, &degree_field};
  double reference_hz = 0;
  for (int i = 0; i < 7; ++i) {
    if (!lines.next(line)) {
      const char* what = fields[i] ? fields[i]->missing : "reference frequency missing";
      return scala::line_error(lines.line_number() + 1, what);
    }
    const std::string_view word = scala::first_word(line);
    if (!fields[i]) {
      if (!scala::parse_real(word, reference_hz) || !(reference_hz > 0.0) || reference_hz > max_reference_hz)
        return scala::line_error(lines.line_number(), "reference frequency must be a positive number of Hz");
      continue;
    }
    if (!scala::parse_integer(word, fields[i]->lo, fields[i]->hi, values[i])) {
      const bool size_too_big = i == 0 && !word.empty() && word.find_first_not_of("0123456789") == std::string_view::npos;
      return scala::line_error(lines.line_number(), size_too_big ? "map too large (at most 1024)" : fields[i]->missing);
    }
  }
  scala_keymap k;
  k.first_key = int(values[1]);
  k.last_key = int(values[2]);
  k.middle_key = int(values[3]);
  k.reference_key = int(values[4]);
  k.reference_hz = reference_hz;
  k.octave_degree = int(values[6]);
  const int size = int(values[0]);
  k.map.assign(size_t(size), keymap_unmapped);
  for (int i = 0; i < size && lines.next(line); ++i) {
    const std::string_view word = scala::first_word(line);
    if (word == "x" || word == "X") continue;
    int64_t degree = 0;
    if (!scala::parse_integer(word, -100000, 100000, degree))
      return scala::line_error(lines.line_number(), "mapping entry must be a degree or x");
    k.map[size_t(i)] = int(degree);
  }
  out = std::move(k);
  return {};
}

}  // namespace synth
