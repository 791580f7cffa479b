#include "guilib/font/font.h"

#include <cstring>

namespace gui {

namespace {

// Left margin that centres a glyph in its cell: floor((P - w + 1) / 2).
int32_t centring(int32_t pitch, int32_t w) { return w >= pitch ? 0 : (pitch - w + 1) / 2; }

}  // namespace

int32_t width(const font& f, unsigned char c) { return f.glyphs[c].width; }

int32_t leading(const font& f, unsigned char c) {
  if (is_blank(c)) return 0;
  if (f.fixed_pitch == 0) return f.glyphs[c].leading;
  return centring(f.fixed_pitch, f.glyphs[c].width);
}

int32_t trailing(const font& f, unsigned char c) {
  const int32_t p = f.fixed_pitch;
  if (p == 0) {
    if (c == ' ') return f.space;
    if (c == '\t') return f.tab_width * f.space;
    return f.glyphs[c].trailing;
  }
  if (c == ' ') return p;
  if (c == '\t') return f.tab_width * p;
  const int32_t w = f.glyphs[c].width;
  if (w >= p) return p - w;
  return p - centring(p, w) - w;
}

int32_t kerning(const font& f, unsigned char first, unsigned char second) {
  if (f.fixed_pitch != 0) return 0;
  return f.kerning[size_t(first) + size_t(second) * 256];
}

int32_t measure(const font& f, const char* text, size_t count) {
  if (!text) return 0;
  const size_t n = count == 0 ? std::strlen(text) : strnlen(text, count);
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  int32_t total = 0;
  if (f.fixed_pitch != 0) {
    for (size_t i = 0; i < n; ++i) total += s[i] == '\t' ? f.tab_width * f.fixed_pitch : f.fixed_pitch;
    return total;
  }
  for (size_t i = 0; i < n; ++i) {
    total += leading(f, s[i]) + (is_blank(s[i]) ? 0 : width(f, s[i]));
    if (i + 1 < n) total += trailing(f, s[i]) + kerning(f, s[i], s[i + 1]);
  }
  return total;
}

font fixed_pitch_copy(const font& f, int32_t pitch) {
  font copy = f;
  copy.name = f.name + " fixed";
  copy.fixed_pitch = pitch;
  return copy;
}

}  // namespace gui
