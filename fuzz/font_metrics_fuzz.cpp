// Fuzz target: the metrics text of a font file. Any text parses into bounded
// metrics, and measuring text (UTF-8 or not) never leaves them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "guilib/font/font.h"
#include "guilib/font/font_metrics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  gui::font f;
  gui::parse_metrics(f, reinterpret_cast<const char*>(data), size);
  int64_t sheet_width = 0;
  for (size_t s = 0; s < gui::glyph_slot_count; ++s) {
    const gui::glyph_metrics& g = f.glyphs[s];
    if (g.width < 0 || g.width > 255 || g.leading < -255 || g.leading > 255) std::abort();
    if (f.present[s]) sheet_width += g.width;
  }
  // Every glyph's place on the sheet lies within the listed glyphs' widths.
  for (size_t s = 0; s < gui::glyph_slot_count; ++s)
    if (f.x_offset[s] < 0 || f.x_offset[s] + f.glyphs[s].width > sheet_width) std::abort();
  if (f.overhang < 0 || f.overhang > 255) std::abort();
  const std::string text(reinterpret_cast<const char*>(data), std::min<size_t>(size, 200));
  const int32_t w = gui::measure(f, text.c_str());
  const gui::font fixed = gui::fixed_pitch_copy(f, 8);
  const int32_t fw = gui::measure(fixed, text.c_str());
  // Each character adds at most one bounded glyph, trailing space and kerning.
  if (std::abs(w) > int32_t(text.size()) * (4 * 255 + 128) || fw < 0) std::abort();
  return 0;
}
