// An antialiased painting surface in premultiplied float RGBA. Shapes are
// given as signed distance functions in pixels (negative inside), sampled at
// pixel centres; a pixel's coverage is clamp(0.5 - d / softness, 0, 1), a
// one-pixel ramp across the edge by default and a wider blur for shadows.
// Painting composites with "over"; to_bitmap turns the result into the
// toolkit's straight-alpha pixels.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "guilib/image/bitmap.h"

namespace gui {

struct rgba {
  float r = 0.f, g = 0.f, b = 0.f, a = 0.f;  // premultiplied
};

inline rgba premultiplied(color32 c, float opacity = 1.f) {
  const float a = float(alpha_of(c)) / 255.f * opacity;
  return {float(red_of(c)) / 255.f * a, float(green_of(c)) / 255.f * a, float(blue_of(c)) / 255.f * a, a};
}

// Linear mix of two straight colours (t = 0 gives a).
color32 mix(color32 a, color32 b, float t);

struct pixel_box {
  int x0, y0, x1, y1;  // x1, y1 exclusive
};

class canvas {
 public:
  canvas(int width, int height) : w_(width), h_(height), px_(size_t(width) * size_t(height)) {}

  int width() const { return w_; }
  int height() const { return h_; }

  // Paints colour_at(x, y) (a straight colour) where dist(x, y) < 0, over
  // the pixels of box (clipped to the canvas). x, y are pixel centres.
  template <typename dist_fn, typename color_fn>
  void paint(pixel_box box, dist_fn dist, color_fn colour_at, float softness = 1.f) {
    box = clip(box);
    for (int y = box.y0; y < box.y1; ++y) {
      for (int x = box.x0; x < box.x1; ++x) {
        const float px = float(x) + 0.5f, py = float(y) + 0.5f;
        const float cover = std::clamp(0.5f - dist(px, py) / softness, 0.f, 1.f);
        if (cover > 0.f) over(x, y, premultiplied(colour_at(px, py), cover));
      }
    }
  }
  template <typename dist_fn>
  void paint(pixel_box box, dist_fn dist, color32 c, float softness = 1.f) {
    paint(box, dist, [c](float, float) { return c; }, softness);
  }
  pixel_box whole() const { return {0, 0, w_, h_}; }

  // Writes the canvas into dst at row offset y0 (dst must be wide enough).
  void to_bitmap(bitmap& dst, int y0) const;

 private:
  pixel_box clip(pixel_box b) const {
    return {std::max(b.x0, 0), std::max(b.y0, 0), std::min(b.x1, w_), std::min(b.y1, h_)};
  }
  void over(int x, int y, const rgba& s) {
    rgba& d = px_[size_t(y) * size_t(w_) + size_t(x)];
    const float k = 1.f - s.a;
    d = {s.r + d.r * k, s.g + d.g * k, s.b + d.b * k, s.a + d.a * k};
  }
  int w_, h_;
  std::vector<rgba> px_;
};

// Distance functions (pixels; angles in radians, 0 straight up, clockwise).
namespace sdf {

inline float length(float x, float y) { return std::sqrt(x * x + y * y); }
inline float angle_of(float dx, float dy) { return std::atan2(dx, -dy); }

inline float circle(float x, float y, float cx, float cy, float r) { return length(x - cx, y - cy) - r; }

// A stroke of half-width hw along the segment a-b, with round ends.
float segment(float x, float y, float ax, float ay, float bx, float by, float hw);

// A stroke of half-width hw along the circle of radius r from angle a0 to
// a1 (a0 <= a1, clockwise), with round ends.
float arc(float x, float y, float cx, float cy, float r, float hw, float a0, float a1);

// A rectangle with corners rounded by radius rad.
float rounded_rect(float x, float y, float x0, float y0, float x1, float y1, float rad);

}  // namespace sdf

// Bounding box of a circle, grown by margin pixels.
inline pixel_box around(float cx, float cy, float r, float margin = 2.f) {
  return {int(std::floor(cx - r - margin)), int(std::floor(cy - r - margin)), int(std::ceil(cx + r + margin)),
          int(std::ceil(cy + r + margin))};
}

}  // namespace gui
