// Truevision TGA: the skin's and the bitmap cache's image format. Decodes
// true-colour images of 16, 24 and 32 bits (and 8-bit grey), raw or
// run-length encoded, stored top-down or bottom-up; encodes 32-bit
// run-length-encoded images.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "guilib/image/bitmap.h"

namespace gui {

// Result codes of decode_tga (0 = success).
enum tga_result : int {
  tga_ok = 0,
  tga_short_header = 1,     // fewer than 18 bytes
  tga_short_id = 2,         // data ends inside the image ID
  tga_short_color_map = 3,  // data ends inside the colour map
  tga_unsupported = 4,      // not true-colour, depth not 16/24/32, colour-map type above 1
  tga_short_pixels = 5,     // the pixel data ends before width * height pixels
};

// Header sanity check made before decoding from memory: the data is longer
// than header, ID and colour map, the depth is at least 8 bits and the image
// has pixels.
bool tga_valid(const uint8_t* data, size_t size);

// Decodes into b (rectangle 0, 0, width, height). On any failure b is left empty.
int decode_tga(bitmap& b, const uint8_t* data, size_t size);

// Run-length-encoded 32-bit TGA of b's pixels in memory order. With top_down
// the descriptor says so (32) and a decode returns the same pixels; without,
// the descriptor is 0 and a decoder flips the rows.
std::vector<uint8_t> encode_tga(const bitmap& b, bool top_down);

// Writes encode_tga to path ("wb"); writes nothing if the file cannot be opened.
bool save_tga_file(const bitmap& b, const std::string& path, bool top_down);

}  // namespace gui
