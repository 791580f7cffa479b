#include "guilib/paint/canvas.h"

#include <numbers>

namespace gui {

color32 mix(color32 a, color32 b, float t) {
  auto ch = [t](uint32_t x, uint32_t y) { return uint32_t(std::lround(float(x) + (float(y) - float(x)) * t)); };
  return argb(ch(alpha_of(a), alpha_of(b)), ch(red_of(a), red_of(b)), ch(green_of(a), green_of(b)),
              ch(blue_of(a), blue_of(b)));
}

void canvas::to_bitmap(bitmap& dst, int y0) const {
  auto byte = [](float v) { return uint32_t(std::lround(std::clamp(v, 0.f, 1.f) * 255.f)); };
  for (int y = 0; y < h_ && y0 + y < dst.height(); ++y) {
    for (int x = 0; x < w_ && x < dst.width(); ++x) {
      const rgba& p = px_[size_t(y) * size_t(w_) + size_t(x)];
      if (p.a <= 0.f) {
        dst.at(x, y0 + y) = 0;
        continue;
      }
      dst.at(x, y0 + y) = argb(byte(p.a), byte(p.r / p.a), byte(p.g / p.a), byte(p.b / p.a));
    }
  }
}

namespace sdf {

float segment(float x, float y, float ax, float ay, float bx, float by, float hw) {
  const float dx = bx - ax, dy = by - ay;
  const float len2 = dx * dx + dy * dy;
  const float t = len2 > 0.f ? std::clamp(((x - ax) * dx + (y - ay) * dy) / len2, 0.f, 1.f) : 0.f;
  return length(x - ax - t * dx, y - ay - t * dy) - hw;
}

float arc(float x, float y, float cx, float cy, float r, float hw, float a0, float a1) {
  const float dx = x - cx, dy = y - cy;
  float a = angle_of(dx, dy);
  // Bring a into [a0, a0 + 2 pi).
  constexpr float turn = 2.f * std::numbers::pi_v<float>;
  while (a < a0) a += turn;
  while (a >= a0 + turn) a -= turn;
  if (a <= a1) return std::fabs(length(dx, dy) - r) - hw;
  const float e0x = cx + r * std::sin(a0), e0y = cy - r * std::cos(a0);
  const float e1x = cx + r * std::sin(a1), e1y = cy - r * std::cos(a1);
  return std::min(length(x - e0x, y - e0y), length(x - e1x, y - e1y)) - hw;
}

float rounded_rect(float x, float y, float x0, float y0, float x1, float y1, float rad) {
  const float cx = (x0 + x1) * 0.5f, cy = (y0 + y1) * 0.5f;
  const float qx = std::fabs(x - cx) - ((x1 - x0) * 0.5f - rad);
  const float qy = std::fabs(y - cy) - ((y1 - y0) * 0.5f - rad);
  return length(std::max(qx, 0.f), std::max(qy, 0.f)) + std::min(std::max(qx, qy), 0.f) - rad;
}

}  // namespace sdf

}  // namespace gui
