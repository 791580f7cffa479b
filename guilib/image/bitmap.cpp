#include "guilib/image/bitmap.h"

#include <algorithm>

namespace gui {

void create(bitmap& b, int32_t width, int32_t height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  b.x1 = 0;
  b.y1 = 0;
  b.x2 = width;
  b.y2 = height;
  b.pixels.assign(size_t(width) * size_t(height), 0u);
}

void flip_vertical(bitmap& b) {
  const size_t w = size_t(b.width());
  for (int32_t top = 0, bottom = b.height() - 1; top < bottom; ++top, --bottom) {
    std::swap_ranges(b.pixels.begin() + long(size_t(top) * w), b.pixels.begin() + long(size_t(top + 1) * w),
                     b.pixels.begin() + long(size_t(bottom) * w));
  }
}

}  // namespace gui
