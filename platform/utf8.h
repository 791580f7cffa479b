// UTF-8 text, as every name, path and label in the system is held. Decoding
// never reads past the end it is given and never stalls: an invalid or cut
// sequence yields one replacement character for its first byte only (or for
// the whole well-begun prefix of a cut sequence), so each byte belongs to
// exactly one character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

constexpr char32_t replacement_character = 0xFFFD;

struct utf8_char {
  char32_t code = 0;  // replacement_character for an invalid sequence
  size_t length = 0;  // bytes taken, 1..4 (0 only at the end)
  bool valid = false;
};

// The character starting at text[at]; length 0 when at is at or past the end.
utf8_char decode_utf8(std::string_view text, size_t at);

// Byte position of the next / previous character boundary (clamped to the text).
size_t next_char(std::string_view text, size_t at);
size_t prev_char(std::string_view text, size_t at);

// Number of characters (each invalid byte run counts as the decoder steps it).
size_t char_count(std::string_view text);

// The longest prefix of text of at most max_bytes bytes that ends on a
// character boundary: a name stored in a field of max_bytes never ends in
// half a character.
size_t utf8_prefix(std::string_view text, size_t max_bytes);
std::string cut_utf8(std::string_view text, size_t max_bytes);

// Appends the encoding of c (1..4 bytes); a surrogate or a value above
// U+10FFFF appends the replacement character.
void append_utf8(std::string& out, char32_t c);

}  // namespace platform
