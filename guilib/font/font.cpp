#include "guilib/font/font.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/utf8.h"

namespace gui {

namespace {

// Left margin that centres a glyph in its cell: floor((P - w + 1) / 2).
int32_t centring(int32_t pitch, int32_t w) { return w >= pitch ? 0 : (pitch - w + 1) / 2; }

}  // namespace

int32_t glyph_slot(char32_t c) {
  if (c < dense_glyph_end) return int32_t(c);
  const auto* end = extra_glyph_codes.end();
  const auto* at = std::lower_bound(extra_glyph_codes.begin(), end, c);
  return at != end && *at == c ? int32_t(dense_glyph_end + size_t(at - extra_glyph_codes.begin())) : -1;
}

char32_t slot_code(size_t slot) { return slot < dense_glyph_end ? char32_t(slot) : extra_glyph_codes[slot - dense_glyph_end]; }

size_t drawn_slot(const font& f, char32_t c) {
  const int32_t s = glyph_slot(c);
  return s >= 0 && f.present[size_t(s)] ? size_t(s) : size_t('?');
}

int32_t width(const font& f, char32_t c) { return f.glyphs[drawn_slot(f, c)].width; }

int32_t leading(const font& f, char32_t c) {
  if (is_blank(c)) return 0;
  if (f.fixed_pitch == 0) return f.glyphs[drawn_slot(f, c)].leading;
  return centring(f.fixed_pitch, width(f, c));
}

int32_t trailing(const font& f, char32_t c) {
  const int32_t p = f.fixed_pitch;
  if (p == 0) {
    if (c == '\t') return f.tab_width * f.space;
    if (is_blank(c)) return f.space;
    return f.glyphs[drawn_slot(f, c)].trailing;
  }
  if (c == '\t') return f.tab_width * p;
  if (is_blank(c)) return p;
  const int32_t w = width(f, c);
  if (w >= p) return p - w;
  return p - centring(p, w) - w;
}

int32_t kerning(const font& f, char32_t first, char32_t second) {
  if (f.fixed_pitch != 0 || first > 0xFF || second > 0xFF) return 0;
  return f.kerning[size_t(first) + size_t(second) * 256];
}

int32_t measure(const font& f, const char* text, size_t count) {
  if (!text) return 0;
  const std::string_view all(text);
  const size_t end = count == 0 ? all.size() : std::min(count, all.size());
  auto char_at = [&](size_t at) {
    platform::utf8_char c = platform::decode_utf8(all, at);
    if (at + c.length > end) c.length = 0;  // cut by count, or the end
    return c;
  };
  int32_t total = 0;
  size_t at = 0;
  for (platform::utf8_char c = char_at(0); c.length != 0;) {
    const platform::utf8_char next = char_at(at + c.length);
    if (f.fixed_pitch != 0) {
      total += c.code == '\t' ? f.tab_width * f.fixed_pitch : f.fixed_pitch;
    } else {
      total += leading(f, c.code) + (is_blank(c.code) ? 0 : width(f, c.code));
      if (next.length != 0) total += trailing(f, c.code) + kerning(f, c.code, next.code);
    }
    at += c.length;
    c = next;
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
