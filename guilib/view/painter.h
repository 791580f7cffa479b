// Drawing into a window's surface, clipped to a rectangle: the root container
// hands each view a painter clipped to the damaged region and the view's own
// rectangle, so no view can draw outside either.
//
// Shapes are antialiased from signed distances (pixels, negative inside),
// sampled at pixel centres; coverage = clamp(0.5 - d / softness, 0, 1).
#pragma once

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "guilib/font/font.h"
#include "guilib/image/bitmap.h"
#include "guilib/paint/blit.h"
#include "guilib/view/rect.h"

namespace gui {

class painter {
 public:
  painter(bitmap& surface, rect clip);

  bitmap& surface() { return surface_; }
  const rect& clip() const { return clip_; }
  // A painter for the same surface clipped further to r.
  painter clipped(const rect& r) const { return painter(surface_, intersection(clip_, r)); }
  bool visible(const rect& r) const { return overlaps(clip_, r); }

  void fill(const rect& r, color32 c);
  void fill_round(const rect& r, float radius, color32 c);
  // A rounded outline of the given width inside r.
  void frame_round(const rect& r, float radius, float width, color32 c);
  // A blurred rounded rectangle: soft shadows and glows. Pixels inside
  // covered (what an opaque card painted next will hide) are left alone.
  void soft_round(const rect& r, float radius, float blur, color32 c, const rect& covered = {});
  void circle(float cx, float cy, float radius, color32 c);
  // A radial halo: full colour up to r0, fading to nothing at r1.
  void halo(float cx, float cy, float r0, float r1, color32 c);
  void line(float x0, float y0, float x1, float y1, float half_width, color32 c);
  // A small solid triangle pointing in direction (dx, dy) (one of the axes), centred at (cx, cy).
  void arrow(float cx, float cy, float size, int dx, int dy, color32 c);

  void blit(const bitmap& src, int sx, int sy, int w, int h, int dx, int dy, uint32_t opacity = 255);
  void blit(const bitmap& src, int dx, int dy) { blit(src, 0, 0, src.width(), src.height(), dx, dy); }
  // Blends rows sy0.. and sy1.. of src by t256 / 256 (0 gives the first), then draws the result.
  void blit_mix(const bitmap& src, int sy0, int sy1, int w, int h, uint32_t t256, int dx, int dy);

  // Text with its line's top at y; returns the pen after the last glyph.
  int text(const font& f, int x, int y, const std::string& s, color32 c);

  // Covers the pixels of box where dist(x, y) < 0 with colour c.
  template <typename dist_fn>
  void shape(rect box, dist_fn dist, color32 c, float softness = 1.f) {
    box = intersection(box, clip_);
    for (int y = box.y1; y < box.y2; ++y) {
      color32* row = &surface_.at(0, y);
      for (int x = box.x1; x < box.x2; ++x) {
        const float cover = std::clamp(0.5f - dist(float(x) + 0.5f, float(y) + 0.5f) / softness, 0.f, 1.f);
        if (cover > 0.f) blend_over(row[x], c, uint32_t(cover * 255.f + 0.5f));
      }
    }
  }

 private:
  clip_box box() const { return {clip_.x1, clip_.y1, clip_.x2, clip_.y2}; }
  bitmap& surface_;
  rect clip_;
};

// Every text a painter draws, with the box it takes (pen position, measured
// width, the font's line height) and the clip it was drawn within. Layout
// checks turn a recorder on around a paint and look for texts that overlap
// or run out of their clip; null (the default) records nothing. UI thread only.
struct drawn_text {
  rect box;
  rect clip;
  std::string s;
};
void record_drawn_text(std::vector<drawn_text>* to);

// The widest prefix of s (whole UTF-8 characters) that fits max_width pixels;
// when s does not fit, an ellipsis is appended to the returned prefix: "…"
// when the font has it, else "..".
std::string fit_text(const font& f, const std::string& s, int max_width);

}  // namespace gui
