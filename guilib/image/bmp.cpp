#include "guilib/image/bmp.h"

#include <algorithm>
#include <array>

#include "riff/bytes.h"

namespace gui {

namespace {

constexpr size_t file_header_bytes = 14;
constexpr size_t min_bytes = 54;  // file header + the 40-byte information header
constexpr uint32_t compression_rgb = 0;
constexpr uint32_t compression_bitfields = 3;  // 32-bit pixels with channel masks: copied as they are

// Palette entries as stored; entries past `end` (the pixel data or the end
// of the file) read as 0.
std::array<color32, 256> read_palette(const uint8_t* data, size_t end, size_t start, int depth) {
  std::array<color32, 256> pal{};
  if (depth > 8) return pal;
  const size_t entries = size_t(1) << depth;
  for (size_t i = 0; i < entries && start + 4 * i + 4 <= end; ++i) pal[i] = riff::read_u32(data + start + 4 * i);
  return pal;
}

color32 pixel_at(const uint8_t* row, int32_t x, int depth, const std::array<color32, 256>& pal) {
  switch (depth) {
    case 1:
      return pal[(row[x >> 3] >> (7 - (x & 7))) & 1];
    case 4:
      return pal[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
    case 8:
      return pal[row[x]];
    case 24: {
      const uint8_t* p = row + 3 * size_t(x);
      return argb(0, p[2], p[1], p[0]);
    }
    default:
      return riff::read_u32(row + 4 * size_t(x));
  }
}

}  // namespace

int decode_bmp(bitmap& b, const uint8_t* data, size_t size) {
  create(b, 0, 0);
  if (!data || size < min_bytes) return bmp_short_header;
  if (data[0] != 'B' || data[1] != 'M') return bmp_no_signature;
  const uint32_t pixel_offset = riff::read_u32(data + 10);
  const uint32_t info_bytes = riff::read_u32(data + 14);
  const int32_t width = riff::read_i32(data + 18);
  const int32_t height = riff::read_i32(data + 22);
  const int depth = riff::read_u16(data + 28);
  const uint32_t compression = riff::read_u32(data + 30);
  if (depth != 1 && depth != 4 && depth != 8 && depth != 24 && depth != 32) return bmp_bad_depth;
  if (compression != compression_rgb && !(depth == 32 && compression == compression_bitfields)) return bmp_bad_depth;
  // Longer information headers (V4, V5) share the first 40 bytes; the palette follows them.
  if (width < 1 || height == 0 || height == INT32_MIN || info_bytes < 40 || info_bytes > size - file_header_bytes)
    return bmp_bad_size;

  const bool top_down = height < 0;
  const int32_t rows = top_down ? -height : height;
  const size_t stride = (size_t(width) * size_t(depth) + 31) / 32 * 4;  // rows padded to 4 bytes
  if (pixel_offset > size || stride > (size - pixel_offset) / size_t(rows)) return bmp_short_pixels;

  // The palette ends where the pixels begin.
  const std::array<color32, 256> pal =
      read_palette(data, std::max<size_t>(pixel_offset, file_header_bytes + info_bytes), file_header_bytes + info_bytes, depth);
  create(b, width, rows);
  for (int32_t y = 0; y < rows; ++y) {
    const uint8_t* row = data + pixel_offset + stride * size_t(y);
    const int32_t out_y = top_down ? y : rows - 1 - y;
    color32* out = &b.pixels[size_t(out_y) * size_t(width)];
    for (int32_t x = 0; x < width; ++x) out[x] = pixel_at(row, x, depth, pal);
  }
  return bmp_ok;
}

}  // namespace gui
