// The toolkit's one image type: 32-bit pixels 0xAARRGGBB with straight (not
// premultiplied) alpha, rows top to bottom. In memory a pixel's bytes are
// B, G, R, A, which is also the byte order of 32-bit TGA and BMP pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gui {

using color32 = uint32_t;  // 0xAARRGGBB

constexpr color32 argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return (a & 255) << 24 | (r & 255) << 16 | (g & 255) << 8 | (b & 255);
}
constexpr uint32_t alpha_of(color32 c) { return c >> 24; }
constexpr uint32_t red_of(color32 c) { return (c >> 16) & 255; }
constexpr uint32_t green_of(color32 c) { return (c >> 8) & 255; }
constexpr uint32_t blue_of(color32 c) { return c & 255; }

struct bitmap {
  int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // width = x2 - x1, height = y2 - y1
  std::vector<color32> pixels;             // width * height, row by row
  std::string name;                        // archive path it came from, or empty

  int32_t width() const { return x2 - x1; }
  int32_t height() const { return y2 - y1; }
  bool empty() const { return pixels.empty(); }
  color32& at(int32_t x, int32_t y) { return pixels[size_t(y) * size_t(width()) + size_t(x)]; }
  color32 at(int32_t x, int32_t y) const { return pixels[size_t(y) * size_t(width()) + size_t(x)]; }
};

// Sizes the pixel array (all transparent black) and sets the rectangle to
// (0, 0, width, height). Negative sizes count as 0.
void create(bitmap& b, int32_t width, int32_t height);

// Reverses the row order.
void flip_vertical(bitmap& b);

}  // namespace gui
