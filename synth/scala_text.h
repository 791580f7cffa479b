// Line reading shared by the Scala readers (.scl scales, .kbm keyboard
// mappings): physical line numbers for error texts, "!" comment lines
// skipped, and the numbers the formats use. Plain functions on text; no I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace synth::scala {

// Longest text either reader accepts (bytes): far beyond any real file, and a
// bound on the work a hostile file can cause.
constexpr size_t max_text_bytes = 1u << 20;

// True when every byte sequence of the text is well-formed UTF-8 and no
// byte is zero.
bool valid_utf8(std::string_view text);

// Walks a text line by line ("\n", "\r\n" or "\r" endings).
class line_reader {
 public:
  explicit line_reader(std::string_view text) : text_(text) {}
  // The next line that is not a comment (first byte "!"); false at the end.
  bool next(std::string_view& line);
  // Physical number (1-based) of the line last returned.
  int line_number() const { return line_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 0;
};

std::string_view trim(std::string_view s);
// The first whitespace-separated word of a line (empty for a blank line).
std::string_view first_word(std::string_view line);
// A whole decimal integer, optionally signed; false on anything else or when
// it is outside [lo, hi].
bool parse_integer(std::string_view word, int64_t lo, int64_t hi, int64_t& out);
// A decimal real ("261.6256", "-3.5", "100."); false on anything else.
bool parse_real(std::string_view word, double& out);

// "Line N: what" for the error texts.
std::string line_error(int line, const char* what);

}  // namespace synth::scala
