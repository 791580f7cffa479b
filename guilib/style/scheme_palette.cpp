#include "guilib/style/scheme_palette.h"

#include <algorithm>
#include <cmath>

#include "guilib/style/palette.h"

namespace gui {

namespace {

struct hls {
  float h = 0.f, l = 0.f, s = 0.f;
};

hls to_hls(const color& c) {
  const float mx = std::max({c.r, c.g, c.b}), mn = std::min({c.r, c.g, c.b});
  hls out;
  out.l = (mx + mn) * 0.5f;
  const float d = mx - mn;
  if (d < 1e-6f) return out;
  out.s = out.l > 0.5f ? d / (2.f - mx - mn) : d / (mx + mn);
  float h;
  if (mx == c.r) {
    h = (c.g - c.b) / d + (c.g < c.b ? 6.f : 0.f);
  } else if (mx == c.g) {
    h = (c.b - c.r) / d + 2.f;
  } else {
    h = (c.r - c.g) / d + 4.f;
  }
  out.h = h / 6.f;
  return out;
}

// The default look's lightness steps (its colours are near-neutral blue-greys).
constexpr float background_l = 0.10f, panel_l = 0.135f, edge_l = 0.19f, raised_l = 0.20f, raised_edge_l = 0.26f;
constexpr float primary_l = 0.87f, secondary_l = 0.58f;
// Saturation on the dark surfaces and on the texts, at most.
constexpr float surface_s = 0.32f, text_s = 0.22f;

}  // namespace

surface_palette default_surface() {
  namespace b = palette::base;
  return {b::background, b::panel, b::panel_edge, b::raised, b::raised_edge, b::text_primary, b::text_secondary};
}

surface_palette surface_of(const color_scheme& sc) {
  color c = sc.single;
  if (sc.blend) {
    c = {};
    for (color32 k : sc.corners) {
      const color u = unpack(k);
      c.r += u.r * 0.25f, c.g += u.g * 0.25f, c.b += u.b * 0.25f;
    }
  }
  const hls t = to_hls(c);
  const float s = std::min(t.s, surface_s), ts = std::min(t.s, text_s);
  auto at = [&](float l, float sat) { return pack(hls_to_rgb(t.h, l, sat)); };
  return {at(background_l, s), at(panel_l, s), at(edge_l, s), at(raised_l, s), at(raised_edge_l, s),
          at(primary_l, ts), at(secondary_l, ts)};
}

void use_surface(const surface_palette& p) {
  palette::background = p.background;
  palette::panel = p.panel;
  palette::panel_edge = p.panel_edge;
  palette::raised = p.raised;
  palette::raised_edge = p.raised_edge;
  palette::text_primary = p.text_primary;
  palette::text_secondary = p.text_secondary;
}

}  // namespace gui
