// Turning rasterised glyphs into a font file: the glyph sheet as a 4-bit BMP
// whose palette maps 0 to transparent and 1..15 to white of rising alpha, the
// metrics text, and both LZW-compressed in a "varc" blob.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/fontbuild/glyph_raster.h"

namespace fontbuild {

struct font_parts {
  std::vector<uint8_t> sheet_bmp;
  std::string metrics;
};

// tracking adds that many pixels after every glyph (letter-spaced captions).
font_parts make_font_parts(const raster_font& r, const std::string& name, int tracking);

// The ".vornfont" blob: "bitmap.lzw" and "x.lzw".
std::vector<uint8_t> make_font_file(const font_parts& parts);

}  // namespace fontbuild
