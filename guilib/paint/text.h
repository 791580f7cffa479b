// Drawing UTF-8 text with a bitmap font (one glyph per character, "?" for a
// missing one or an invalid sequence): the sheet's alpha is the glyph's coverage,
// the colour is the caller's. The pen follows the font's leading, width,
// trailing and kerning exactly as measure() counts them, so measured and drawn
// widths agree.
#pragma once

#include "guilib/font/font.h"
#include "guilib/image/bitmap.h"
#include "guilib/paint/blit.h"

namespace gui {

// Draws text with its line's top at y (baseline at y + ascent); returns the
// pen position after the last glyph. Pixels outside clip stay untouched.
int draw_text(bitmap& dst, const font& f, int x, int y, const char* text, color32 colour);
int draw_text(bitmap& dst, const font& f, int x, int y, const char* text, color32 colour, clip_box clip);

}  // namespace gui
