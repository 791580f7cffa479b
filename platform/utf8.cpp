#include "platform/utf8.h"

namespace platform {

namespace {

bool continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

utf8_char decode_utf8(std::string_view text, size_t at) {
  if (at >= text.size()) return {};
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char b0 = s[at];
  if (b0 < 0x80) return {b0, 1, true};
  size_t need = 0;
  char32_t c = 0, min = 0;
  if ((b0 & 0xE0) == 0xC0) need = 1, c = b0 & 0x1F, min = 0x80;
  else if ((b0 & 0xF0) == 0xE0) need = 2, c = b0 & 0x0F, min = 0x800;
  else if ((b0 & 0xF8) == 0xF0) need = 3, c = b0 & 0x07, min = 0x10000;
  else return {replacement_character, 1, false};  // a stray continuation byte or 0xF8..0xFF
  size_t n = 1;
  while (n <= need && at + n < text.size() && continuation(s[at + n])) c = (c << 6) | (s[at + n++] & 0x3F);
  if (n != need + 1) return {replacement_character, n, false};  // cut short: one placeholder for the run
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {replacement_character, n, false};
  return {c, n, true};
}

size_t next_char(std::string_view text, size_t at) {
  if (at >= text.size()) return text.size();
  return at + decode_utf8(text, at).length;
}

size_t prev_char(std::string_view text, size_t at) {
  if (at > text.size()) at = text.size();
  if (at == 0) return 0;
  // Step back over at most three continuation bytes, then check that the
  // character found there really ends at `at`; else the last byte stands alone.
  size_t start = at - 1;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  while (start > 0 && at - start < 4 && continuation(s[start])) --start;
  for (size_t p = start; p < at;) {
    const size_t q = p + decode_utf8(text, p).length;
    if (q == at) return p;
    if (q > at) break;
    p = q;
  }
  return at - 1;
}

size_t char_count(std::string_view text) {
  size_t n = 0;
  for (size_t at = 0; at < text.size(); at += decode_utf8(text, at).length) ++n;
  return n;
}

size_t utf8_prefix(std::string_view text, size_t max_bytes) {
  size_t at = 0;
  while (at < text.size()) {
    const size_t next = at + decode_utf8(text, at).length;
    if (next > max_bytes) break;
    at = next;
  }
  return at;
}

std::string cut_utf8(std::string_view text, size_t max_bytes) { return std::string(text.substr(0, utf8_prefix(text, max_bytes))); }

void append_utf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = replacement_character;
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

}  // namespace platform
