// Fuzz target: the menu description language and the pop-up panels built
// from it. The first bytes choose the scale, the held modifiers and the
// current value; the rest is the menu string. Any string gives a tree within
// the item, depth and extent bounds whose shown items lie inside their
// level, and panels that can be built and drawn.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "guilib/menu/menu_panel.h"
#include "guilib/menu/menu_parser.h"
#include "guilib/view/painter.h"
#include "guilib/widgets/ui_style.h"

namespace {

struct filler : gui::menu_placeholder {
  void populate(const std::string& path, gui::menu_adder& add) override {
    add.label(path);
    add.item("dynamic");
    add.item("", false);
  }
};

void check(const gui::menu_level& l, int depth) {
  if (depth > gui::max_menu_depth) std::abort();
  if (l.width < 0 || l.height < 0 || l.width > gui::max_menu_extent || l.height > gui::max_menu_extent) std::abort();
  for (const gui::menu_item& it : l.items) {
    if (it.shown && (it.area.x1 < 0 || it.area.y1 < 0 || it.area.x2 > l.width || it.area.y2 > l.height)) std::abort();
    if (it.submenu) check(*it.submenu, depth + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  static const float scales[] = {0.5f, 0.75f, 1.f, 1.25f, 1.5f, 2.f, 4.f, 0.25f};
  filler f;
  gui::menu_options o;
  o.scale = scales[data[0] & 7];
  o.shift = data[0] & 8, o.ctrl = data[0] & 16, o.alt = data[0] & 32;
  o.current = int8_t(data[1]);
  o.placeholder = data[0] & 64 ? &f : nullptr;
  o.spacing = data[2] & 7;
  const std::string_view text(reinterpret_cast<const char*>(data + 3), size - 3);
  const gui::menu_level l = gui::parse_menu(text, o);
  if (gui::count_menu_items(l) > gui::max_menu_items) std::abort();
  check(l, 0);
  // The top panel, drawn into a small surface: whatever the sizes, nothing
  // is written outside it.
  if (l.width < 2048 && l.height < 2048) {
    gui::menu_panel panel(l, gui::style_for_scale(o.scale), {8, 8}, 0);
    gui::bitmap surface;
    gui::create(surface, 96, 64);
    gui::painter p(surface, {0, 0, 96, 64});
    panel.paint(p);
    for (const auto& c : panel.children()) c->paint(p);
  }
  return 0;
}
