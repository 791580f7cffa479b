#include "guilib/platform/surface.h"

namespace gfx {

void resize(surface& s, int width, int height) {
  gui::create(s.pixels, width, height);
  s.premultiplied = {};
}

gui::color32 premultiply_for_layered(gui::color32 p) {
  const uint32_t a = gui::alpha_of(p);
  if (a == 0) return 0x01000000u;
  auto ch = [a](uint32_t c) { return (c * (a + 1)) >> 8; };
  return gui::argb(a, ch(gui::red_of(p)), ch(gui::green_of(p)), ch(gui::blue_of(p)));
}

void premultiply_for_layered(const gui::bitmap& straight, gui::bitmap& out) {
  if (out.width() != straight.width() || out.height() != straight.height())
    gui::create(out, straight.width(), straight.height());
  for (size_t i = 0; i < straight.pixels.size(); ++i) out.pixels[i] = premultiply_for_layered(straight.pixels[i]);
}

}  // namespace gfx
