// Rasterising a TrueType face into the glyphs of a bitmap font: hinted,
// antialiased coverage of "!" to "~", Latin-1, Latin Extended-A and the
// punctuation marks the toolkit's fonts hold (those the face has), at one
// pixel size, with the face's horizontal metrics and kerning pairs rounded to
// whole pixels.
#pragma once

#include <map>
#include <cstdint>
#include <string>
#include <vector>

namespace fontbuild {

struct raster_glyph {
  int left = 0;     // bitmap left bearing
  int top = 0;      // rows above the baseline
  int width = 0, rows = 0;
  int advance = 0;  // pen advance in whole pixels
  std::vector<uint8_t> coverage;  // width * rows, 0..255
};

struct kerning_pair {
  char32_t first, second;
  int pixels;
};

struct raster_font {
  std::map<char32_t, raster_glyph> glyphs;  // by character code: "!" to "~" come first
  int space_advance = 0;
  std::vector<kerning_pair> kerning;
};

// False with a message in error when the face cannot be opened or sized.
bool rasterise(const std::string& ttf_path, int pixel_size, raster_font& out, std::string& error);

}  // namespace fontbuild
