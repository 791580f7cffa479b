#include "guilib/paint/icons.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "guilib/paint/canvas.h"
#include "guilib/style/palette.h"

namespace gui {

namespace {

constexpr float pi = std::numbers::pi_v<float>;

struct point {
  float x, y;
};

// Distance to a polyline stroke of half-width hw.
float polyline(const std::vector<point>& pts, float x, float y, float hw) {
  float d = 1e9f;
  for (size_t i = 1; i < pts.size(); ++i)
    d = std::min(d, sdf::segment(x, y, pts[i - 1].x, pts[i - 1].y, pts[i].x, pts[i].y, hw));
  return d;
}

// One wave cycle (or what reads best at icon size) in unit coordinates: x in
// 0..1, y in -1..1 with +1 at the top.
std::vector<point> sampled(float (*f)(float), int n) {
  std::vector<point> pts;
  for (int i = 0; i <= n; ++i) {
    const float t = float(i) / float(n);
    pts.push_back({t, f(t)});
  }
  return pts;
}

std::vector<point> steps(const std::vector<float>& levels) {
  std::vector<point> pts;
  const float w = 1.f / float(levels.size());
  for (size_t i = 0; i < levels.size(); ++i) {
    pts.push_back({w * float(i), levels[i]});
    pts.push_back({w * float(i + 1), levels[i]});
  }
  return pts;
}

std::vector<point> wave_shape(const std::string& name) {
  if (name == "sine") return sampled([](float t) { return std::sin(2.f * pi * t); }, 40);
  if (name == "cosine") return sampled([](float t) { return std::cos(2.f * pi * t); }, 40);
  if (name == "triangle") return {{0.f, 0.f}, {0.25f, 1.f}, {0.75f, -1.f}, {1.f, 0.f}};
  if (name == "ramp") return {{0.f, -1.f}, {0.5f, 1.f}, {0.5f, -1.f}, {1.f, 1.f}};
  if (name == "pulse") return {{0.f, -1.f}, {0.f, 1.f}, {0.5f, 1.f}, {0.5f, -1.f}, {1.f, -1.f}, {1.f, 1.f}};
  if (name == "staircase") return steps({-1.f, -0.33f, 0.33f, 1.f});
  if (name == "random") return steps({0.3f, -0.8f, 1.f, -0.2f, 0.6f});
  if (name == "noise")
    return {{0.f, 0.1f},   {0.08f, 0.8f}, {0.15f, -0.5f}, {0.23f, 0.3f}, {0.3f, -1.f}, {0.38f, 0.9f},
            {0.46f, -0.2f}, {0.54f, 0.5f}, {0.62f, -0.8f}, {0.7f, 1.f},   {0.78f, -0.4f}, {0.86f, 0.2f},
            {0.93f, -0.9f}, {1.f, 0.4f}};
  return {};
}

// Stems of a sampled wave: reads as "recorded sound" at icon size.
std::vector<float> pcm_samples() {
  std::vector<float> s;
  for (int i = 0; i < 8; ++i) {
    const float t = float(i) / 8.f;
    s.push_back(std::exp(-1.6f * t) * (std::sin(2.f * pi * 1.5f * t + 0.6f) * 0.8f + 0.3f * std::sin(2.f * pi * 4.f * t)));
  }
  return s;
}

}  // namespace

const std::vector<std::string>& waveform_icon_names() {
  static const std::vector<std::string> names = {"cosine", "noise",  "pcm",       "pulse",   "ramp",
                                                  "random", "sine", "staircase", "triangle"};
  return names;
}

bool render_waveform_icon(bitmap& out, const std::string& name, int width, int height, color32 colour) {
  create(out, 0, 0);
  const float hw = 0.6f;
  const float x0 = 1.5f, x1 = float(width) - 1.5f;
  const float ymid = float(height) * 0.5f, amp = float(height) * 0.5f - 1.3f;
  canvas c(width, height);
  if (name == "pcm") {
    const std::vector<float> s = pcm_samples();
    for (size_t i = 0; i < s.size(); ++i) {
      const float x = x0 + (x1 - x0) * (float(i) + 0.5f) / float(s.size());
      const float y = ymid - s[i] * amp;
      c.paint(c.whole(), [&](float px, float py) { return sdf::segment(px, py, x, ymid, x, y, hw); }, colour);
      c.paint(c.whole(), [&](float px, float py) { return sdf::circle(px, py, x, y, 1.f); }, colour);
    }
  } else {
    std::vector<point> pts = wave_shape(name);
    if (pts.empty()) return false;
    for (point& p : pts) p = {x0 + (x1 - x0) * p.x, ymid - p.y * amp};
    c.paint(c.whole(), [&](float x, float y) { return polyline(pts, x, y, hw); }, colour);
  }
  create(out, width, height);
  c.to_bitmap(out, 0);
  return true;
}

void render_adsr_icon(bitmap& out, int width, int height, color32 colour) {
  const float w = float(width), h = float(height);
  const float top = 1.5f, bottom = h - 1.5f, sustain = top + (bottom - top) * 0.45f;
  const std::vector<point> pts = {{1.5f, bottom}, {w * 0.18f, top}, {w * 0.38f, sustain}, {w * 0.70f, sustain},
                                  {w - 1.5f, bottom}};
  canvas c(width, height);
  // Faint fill under the outline: inside when below the polyline at that x.
  c.paint(c.whole(), [&](float x, float y) {
    for (size_t i = 1; i < pts.size(); ++i) {
      if (x < pts[i - 1].x || x > pts[i].x) continue;
      const float t = (x - pts[i - 1].x) / std::max(pts[i].x - pts[i - 1].x, 1e-3f);
      const float edge = pts[i - 1].y + (pts[i].y - pts[i - 1].y) * t;
      return std::max(edge - y, y - bottom);
    }
    return 1.f;
  }, (colour & 0x00FFFFFFu) | 0x30000000u);
  c.paint(c.whole(), [&](float x, float y) { return polyline(pts, x, y, 0.65f); }, colour);
  create(out, width, height);
  c.to_bitmap(out, 0);
}

void render_wordmark(bitmap& out, int width, int height) {
  const float h = float(height);
  const float cap = h * 0.64f;  // capital height
  const float top = (h - cap) * 0.5f, bottom = top + cap;
  const float hw = std::max(0.9f, cap * 0.085f);
  const float u = cap / 14.f;  // letter widths below are for a 14-pixel capital
  const float v_w = 10.f * u, o_w = cap, r_w = 8.f * u, n_w = 8.5f * u, gap = 2.6f * u;
  const float total = v_w + o_w + r_w + n_w + 3.f * gap;
  const color32 ink = palette::base::text_primary;
  canvas c(width, height);
  auto stroke = [&](std::vector<point> pts) {
    c.paint(c.whole(), [&](float x, float y) { return polyline(pts, x, y, hw); }, ink);
  };

  float x = (float(width) - total) * 0.5f;
  stroke({{x, top}, {x + v_w * 0.5f, bottom}, {x + v_w, top}});  // V
  x += v_w + gap;

  // O as a knob: dim track, accent value arc, light pointer.
  const float r = cap * 0.5f - hw * 0.5f, ocx = x + cap * 0.5f, ocy = top + cap * 0.5f;
  const float start = -0.8f * pi, stop = 0.8f * pi, value = 0.3f * pi;
  c.paint(c.whole(), [&](float px, float py) { return sdf::arc(px, py, ocx, ocy, r, hw, start, stop); },
          palette::base::raised_edge);
  c.paint(c.whole(), [&](float px, float py) { return sdf::arc(px, py, ocx, ocy, r, hw, start, value); },
          palette::accent);
  c.paint(c.whole(), [&](float px, float py) {
    return sdf::segment(px, py, ocx, ocy, ocx + std::sin(value) * r * 0.5f, ocy - std::cos(value) * r * 0.5f, hw * 0.8f);
  }, ink);
  x += o_w + gap;

  // R: stem, bowl, leg.
  const float bowl_r = cap * 0.26f, bowl_x = x + r_w - bowl_r;
  stroke({{x, bottom}, {x, top}, {bowl_x, top}});
  c.paint(c.whole(), [&](float px, float py) { return sdf::arc(px, py, bowl_x, top + bowl_r, bowl_r, hw, 0.f, pi); }, ink);
  stroke({{bowl_x, top + 2.f * bowl_r}, {x, top + 2.f * bowl_r}});
  stroke({{bowl_x - 1.5f * u, top + 2.f * bowl_r}, {x + r_w, bottom}});
  x += r_w + gap;

  stroke({{x, bottom}, {x, top}, {x + n_w, bottom}, {x + n_w, top}});  // N

  create(out, width, height);
  c.to_bitmap(out, 0);
}

}  // namespace gui
