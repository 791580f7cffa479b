#include "tools/skin/panels.h"

#include "guilib/paint/canvas.h"
#include "guilib/style/palette.h"

namespace skin {

gui::bitmap render_background(int width, int height) {
  gui::bitmap b;
  gui::create(b, width, height);
  const gui::color32 top = gui::mix(gui::palette::background, gui::palette::panel, 0.35f);
  for (int y = 0; y < height; ++y) {
    const gui::color32 c = gui::mix(top, gui::palette::background, float(y) / float(height - 1));
    for (int x = 0; x < width; ++x) b.at(x, y) = c;
  }
  return b;
}

gui::bitmap render_overlay(int width, int height) {
  gui::bitmap b;
  gui::create(b, width, height);
  for (int x = 0; x < width; ++x) b.at(x, 0) = b.at(x, height - 1) = gui::palette::panel_edge;
  for (int y = 0; y < height; ++y) b.at(0, y) = b.at(width - 1, y) = gui::palette::panel_edge;
  return b;
}

gui::bitmap render_panel(int width, int height) {
  const float w = float(width), h = float(height), radius = 4.f;
  gui::canvas c(width, height);
  auto card = [&](float x, float y) { return gui::sdf::rounded_rect(x, y, 0.5f, 0.5f, w - 0.5f, h - 0.5f, radius); };
  c.paint(c.whole(), card, gui::palette::panel_edge);
  c.paint(c.whole(), [&](float x, float y) { return card(x, y) + 1.f; }, gui::palette::panel);
  gui::bitmap b;
  gui::create(b, width, height);
  c.to_bitmap(b, 0);
  return b;
}

}  // namespace skin
