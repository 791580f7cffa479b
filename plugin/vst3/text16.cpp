#include "plugin/vst3/text16.h"

namespace vst3_shell {

namespace {

// One code point from UTF-8 at text; advances. Malformed bytes read as U+FFFD.
uint32_t next_code_point(const unsigned char*& p) {
  const uint32_t b0 = *p++;
  if (b0 < 0x80) return b0;
  int more = b0 >= 0xF0 ? 3 : b0 >= 0xE0 ? 2 : b0 >= 0xC0 ? 1 : -1;
  if (more < 0) return 0xFFFD;
  uint32_t cp = b0 & (0x3Fu >> more);
  for (int i = 0; i < more; ++i) {
    if ((*p & 0xC0) != 0x80) return 0xFFFD;  // a cut sequence: the terminator stays unread
    cp = cp << 6 | (*p++ & 0x3F);
  }
  return cp > 0x10FFFF ? 0xFFFD : cp;
}

}  // namespace

void copy_to_utf16(char16_t* out, size_t capacity, const char* text) {
  if (!out || capacity == 0) return;
  size_t n = 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text ? text : "");
  while (*p) {
    const uint32_t cp = next_code_point(p);
    if (cp >= 0x10000) {
      if (n + 2 >= capacity) break;
      out[n++] = char16_t(0xD800 + ((cp - 0x10000) >> 10));
      out[n++] = char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      if (n + 1 >= capacity) break;
      out[n++] = char16_t(cp);
    }
  }
  out[n] = 0;
}

void copy_from_utf16(char* out, size_t capacity, const char16_t* text, size_t max_units) {
  if (!out || capacity == 0) return;
  size_t n = 0;
  for (size_t i = 0; text && i < max_units && text[i]; ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < max_units && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (uint32_t(text[i + 1]) - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;
    }
    unsigned char seq[4];
    int len;
    if (cp < 0x80) {
      seq[0] = uint8_t(cp);
      len = 1;
    } else if (cp < 0x800) {
      seq[0] = uint8_t(0xC0 | cp >> 6), seq[1] = uint8_t(0x80 | (cp & 0x3F));
      len = 2;
    } else if (cp < 0x10000) {
      seq[0] = uint8_t(0xE0 | cp >> 12), seq[1] = uint8_t(0x80 | (cp >> 6 & 0x3F)), seq[2] = uint8_t(0x80 | (cp & 0x3F));
      len = 3;
    } else {
      seq[0] = uint8_t(0xF0 | cp >> 18), seq[1] = uint8_t(0x80 | (cp >> 12 & 0x3F));
      seq[2] = uint8_t(0x80 | (cp >> 6 & 0x3F)), seq[3] = uint8_t(0x80 | (cp & 0x3F));
      len = 4;
    }
    if (n + size_t(len) >= capacity) break;
    for (int k = 0; k < len; ++k) out[n++] = char(seq[k]);
  }
  out[n] = 0;
}

void copy_ascii(char* out, size_t capacity, const char* text) {
  if (!out || capacity == 0) return;
  size_t n = 0;
  for (; text && text[n] && n + 1 < capacity; ++n) out[n] = text[n];
  out[n] = 0;
}

}  // namespace vst3_shell
