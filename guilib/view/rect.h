// Rectangles of window pixels. A view's rectangle has its left and top edge
// inclusive and its right and bottom edge exclusive (x2 = x1 + width), like a
// bitmap's; handler entries of the root container carry the inclusive form
// (x2 - 1, y2 - 1), in which a press on the last column or row is inside.
#pragma once

#include <algorithm>
#include <cstdint>

namespace gui {

struct point {
  int32_t x = 0, y = 0;
};

struct rect {
  int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;

  int32_t width() const { return x2 - x1; }
  int32_t height() const { return y2 - y1; }
  bool empty() const { return x2 <= x1 || y2 <= y1; }
  bool contains(int32_t x, int32_t y) const { return x >= x1 && x < x2 && y >= y1 && y < y2; }
  bool contains(point p) const { return contains(p.x, p.y); }
  point centre() const { return {(x1 + x2) / 2, (y1 + y2) / 2}; }
  rect moved(int32_t dx, int32_t dy) const { return {x1 + dx, y1 + dy, x2 + dx, y2 + dy}; }
  rect inset(int32_t d) const { return {x1 + d, y1 + d, x2 - d, y2 - d}; }
  bool operator==(const rect&) const = default;
};

inline rect rect_of(int32_t x, int32_t y, int32_t w, int32_t h) { return {x, y, x + w, y + h}; }

inline rect intersection(const rect& a, const rect& b) {
  return {std::max(a.x1, b.x1), std::max(a.y1, b.y1), std::min(a.x2, b.x2), std::min(a.y2, b.y2)};
}

// The smallest rectangle holding both; an empty one adds nothing.
inline rect bounding(const rect& a, const rect& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return {std::min(a.x1, b.x1), std::min(a.y1, b.y1), std::max(a.x2, b.x2), std::max(a.y2, b.y2)};
}

inline bool overlaps(const rect& a, const rect& b) { return !intersection(a, b).empty(); }

// Inclusive rectangle (both bounds inside), as the root's handler entries keep them.
struct inclusive_rect {
  int32_t x1 = 0, y1 = 0, x2 = -1, y2 = -1;
  bool contains(int32_t x, int32_t y) const { return x >= x1 && x <= x2 && y >= y1 && y <= y2; }
};

inline inclusive_rect inclusive(const rect& r) { return {r.x1, r.y1, r.x2 - 1, r.y2 - 1}; }

}  // namespace gui
