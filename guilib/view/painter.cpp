#include "guilib/view/painter.h"

#include "guilib/paint/canvas.h"
#include "guilib/paint/text.h"
#include "platform/utf8.h"

namespace gui {

painter::painter(bitmap& surface, rect clip)
    : surface_(surface), clip_(intersection(clip, {0, 0, surface.width(), surface.height()})) {}

void painter::fill(const rect& r, color32 c) { fill_rect(surface_, r.x1, r.y1, r.width(), r.height(), c, box()); }

void painter::fill_round(const rect& r, float radius, color32 c) {
  if (radius <= 0.f) return fill(r, c);
  const float x0 = float(r.x1), y0 = float(r.y1), x1 = float(r.x2), y1 = float(r.y2);
  radius = std::min({radius, (x1 - x0) * 0.5f, (y1 - y0) * 0.5f});
  // Pixels clear of the corners are inside for sure: fill them directly.
  const int inner = int(std::ceil(radius));
  fill({r.x1 + inner, r.y1, r.x2 - inner, r.y2}, c);
  auto d = [&](float x, float y) { return sdf::rounded_rect(x, y, x0, y0, x1, y1, radius); };
  shape({r.x1, r.y1, std::min(r.x1 + inner, r.x2), r.y2}, d, c);
  shape({std::max(r.x2 - inner, r.x1 + inner), r.y1, r.x2, r.y2}, d, c);
}

void painter::frame_round(const rect& r, float radius, float width, color32 c) {
  const float x0 = float(r.x1), y0 = float(r.y1), x1 = float(r.x2), y1 = float(r.y2);
  radius = std::min({radius, (x1 - x0) * 0.5f, (y1 - y0) * 0.5f});
  auto d = [&](float x, float y) {
    const float e = sdf::rounded_rect(x, y, x0, y0, x1, y1, radius);
    return std::max(e, -e - width);
  };
  // Only the bands along the edges can be touched: the inside stays as it is.
  const int32_t band = int32_t(std::ceil(std::max(radius, width))) + 1;
  const rect inner = r.inset(band);
  if (inner.empty()) return shape(r, d, c);
  shape({r.x1, r.y1, r.x2, inner.y1}, d, c);
  shape({r.x1, inner.y2, r.x2, r.y2}, d, c);
  shape({r.x1, inner.y1, inner.x1, inner.y2}, d, c);
  shape({inner.x2, inner.y1, r.x2, inner.y2}, d, c);
}

void painter::soft_round(const rect& r, float radius, float blur, color32 c, const rect& covered) {
  const float x0 = float(r.x1), y0 = float(r.y1), x1 = float(r.x2), y1 = float(r.y2);
  const int grow = int(std::ceil(blur));
  const rect all = r.inset(-grow);
  auto d = [&](float x, float y) { return sdf::rounded_rect(x, y, x0, y0, x1, y1, radius); };
  const rect hole = intersection(covered, all);
  if (hole.empty()) return shape(all, d, c, std::max(blur, 1.f));
  // The bands around the hole: above, below, left and right of it.
  shape({all.x1, all.y1, all.x2, hole.y1}, d, c, std::max(blur, 1.f));
  shape({all.x1, hole.y2, all.x2, all.y2}, d, c, std::max(blur, 1.f));
  shape({all.x1, hole.y1, hole.x1, hole.y2}, d, c, std::max(blur, 1.f));
  shape({hole.x2, hole.y1, all.x2, hole.y2}, d, c, std::max(blur, 1.f));
}

void painter::circle(float cx, float cy, float radius, color32 c) {
  const rect b{int(std::floor(cx - radius - 1)), int(std::floor(cy - radius - 1)), int(std::ceil(cx + radius + 1)),
               int(std::ceil(cy + radius + 1))};
  shape(b, [&](float x, float y) { return sdf::circle(x, y, cx, cy, radius); }, c);
}

void painter::halo(float cx, float cy, float r0, float r1, color32 c) {
  const rect b{int(std::floor(cx - r1)), int(std::floor(cy - r1)), int(std::ceil(cx + r1)), int(std::ceil(cy + r1))};
  const rect v = intersection(b, clip_);
  const float span = std::max(r1 - r0, 0.5f);
  for (int y = v.y1; y < v.y2; ++y) {
    for (int x = v.x1; x < v.x2; ++x) {
      const float d = sdf::length(float(x) + 0.5f - cx, float(y) + 0.5f - cy);
      if (d >= r1) continue;
      const float t = d <= r0 ? 1.f : 1.f - (d - r0) / span;
      blend_over(surface_.at(x, y), c, uint32_t(t * t * 255.f));  // quadratic falloff reads as light
    }
  }
}

void painter::line(float x0, float y0, float x1, float y1, float half_width, color32 c) {
  const float m = half_width + 1.f;
  const rect b{int(std::floor(std::min(x0, x1) - m)), int(std::floor(std::min(y0, y1) - m)),
               int(std::ceil(std::max(x0, x1) + m)), int(std::ceil(std::max(y0, y1) + m))};
  shape(b, [&](float x, float y) { return sdf::segment(x, y, x0, y0, x1, y1, half_width); }, c);
}

void painter::arrow(float cx, float cy, float size, int dx, int dy, color32 c) {
  // Tip ahead of the centre along (dx, dy), base behind it across the other axis.
  const float h = size * 0.5f;
  const float p[3][2] = {{cx + float(dx) * h * 0.6f, cy + float(dy) * h * 0.6f},
                         {cx - float(dx) * h * 0.6f + float(dy) * h, cy - float(dy) * h * 0.6f + float(dx) * h},
                         {cx - float(dx) * h * 0.6f - float(dy) * h, cy - float(dy) * h * 0.6f - float(dx) * h}};
  const float winding = (p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) - (p[1][1] - p[0][1]) * (p[2][0] - p[0][0]) > 0.f ? 1.f : -1.f;
  // Signed distance to the triangle's edge lines: negative inside all three.
  auto dist = [&](float x, float y) {
    float d = -1e9f;
    for (int i = 0; i < 3; ++i) {
      const float* a = p[i];
      const float* b = p[(i + 1) % 3];
      const float ex = b[0] - a[0], ey = b[1] - a[1];
      const float cross = ex * (y - a[1]) - ey * (x - a[0]);
      d = std::max(d, -winding * cross / std::sqrt(ex * ex + ey * ey));
    }
    return d;
  };
  const rect b{int(std::floor(cx - h - 1)), int(std::floor(cy - h - 1)), int(std::ceil(cx + h + 1)), int(std::ceil(cy + h + 1))};
  shape(b, dist, c);
}

void painter::blit(const bitmap& src, int sx, int sy, int w, int h, int dx, int dy, uint32_t opacity) {
  draw_bitmap(surface_, src, sx, sy, w, h, dx, dy, box(), opacity);
}

void painter::blit_mix(const bitmap& src, int sy0, int sy1, int w, int h, uint32_t t256, int dx, int dy) {
  if (t256 == 0) return blit(src, 0, sy0, w, h, dx, dy);
  if (t256 >= 256) return blit(src, 0, sy1, w, h, dx, dy);
  const rect v = intersection(rect_of(dx, dy, w, h), clip_);
  auto lerp = [t256](uint32_t a, uint32_t b) { return (a * (256 - t256) + b * t256) >> 8; };
  for (int y = v.y1; y < v.y2; ++y) {
    const int r0 = sy0 + y - dy, r1 = sy1 + y - dy;
    if (r0 < 0 || r1 < 0 || r0 >= src.height() || r1 >= src.height()) continue;
    for (int x = v.x1; x < v.x2; ++x) {
      const int sx = x - dx;
      if (sx >= src.width()) break;
      const color32 a = src.at(sx, r0), b = src.at(sx, r1);
      // Mix in premultiplied form so a transparent pixel lends no colour.
      const uint32_t aa = alpha_of(a), ba = alpha_of(b), oa = lerp(aa, ba);
      if (oa == 0) continue;
      auto ch = [&](uint32_t ca, uint32_t cb) { return std::min(255u, lerp(ca * aa, cb * ba) / oa); };
      blend_over(surface_.at(x, y), argb(oa, ch(red_of(a), red_of(b)), ch(green_of(a), green_of(b)), ch(blue_of(a), blue_of(b))));
    }
  }
}

namespace {
std::vector<drawn_text>* text_log = nullptr;
}  // namespace

void record_drawn_text(std::vector<drawn_text>* to) { text_log = to; }

int painter::text(const font& f, int x, int y, const std::string& s, color32 c) {
  if (text_log && !s.empty())
    text_log->push_back({rect_of(x, y, measure(f, s.c_str()), f.line_height()), clip_, s});
  return draw_text(surface_, f, x, y, s.c_str(), c, box());
}

std::string fit_text(const font& f, const std::string& s, int max_width) {
  if (measure(f, s.c_str()) <= max_width) return s;
  const char* ellipsis = f.present[size_t(glyph_slot(0x2026))] ? "\u2026" : "..";
  std::string cut = s;
  while (!cut.empty() && measure(f, (cut + ellipsis).c_str()) > max_width) cut.resize(platform::prev_char(cut, cut.size()));
  if (cut.empty() && measure(f, ellipsis) > max_width) return {};
  return cut + ellipsis;
}

}  // namespace gui
