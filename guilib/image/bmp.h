// Windows BMP decoder for font sheets and user images: 1, 4, 8, 24 and 32
// bits per pixel, uncompressed (or 32-bit bit-field) rows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "guilib/image/bitmap.h"

namespace gui {

// Result codes of decode_bmp (0 = success).
enum bmp_result : int {
  bmp_ok = 0,
  bmp_short_header = 1,  // fewer than 54 bytes
  bmp_no_signature = 2,  // does not start with "BM"
  bmp_bad_depth = 3,     // depth not 1, 4, 8, 24 or 32, or a compressed encoding
  bmp_short_pixels = 4,  // fewer pixel bytes than the rows need
  bmp_bad_size = 5,      // width below 1, height 0, or an information header out of the data
};

// Palette entries are taken as stored, B, G, R and a fourth byte as alpha, so a
// palette with alpha in its fourth bytes yields per-pixel alpha (the font
// sheets rely on this); 24-bit pixels get alpha 0, 32-bit pixels are copied.
// Rows are stored bottom-up unless the height is negative; b comes out top-down.
int decode_bmp(bitmap& b, const uint8_t* data, size_t size);

}  // namespace gui
