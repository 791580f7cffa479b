// What the widgets look like, checked by properties rather than golden
// images (fonts and compilers move pixels): each widget paints only inside
// its rectangles, values and states change what shows, the gallery's texts
// fit their fields at every scale. Every picture is saved to the build
// folder's gui-shots/ for people to look at.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "guilib/archive/bitmap_cache.h"
#include "guilib/archive/gui_archive.h"
#include "guilib/menu/dropbox.h"
#include "guilib/platform/headless/headless.h"
#include "guilib/platform/keys.h"
#include "guilib/style/palette.h"
#include "guilib/widgets/button.h"
#include "guilib/widgets/decor.h"
#include "guilib/widgets/dialogs.h"
#include "guilib/widgets/edit.h"
#include "guilib/widgets/knob.h"
#include "guilib/widgets/lights.h"
#include "guilib/widgets/list_box.h"
#include "guilib/widgets/slider.h"
#include "guilib/widgets/stepper.h"
#include "guilib/widgets/tabs.h"
#include "tests/gui/ui_fixture.h"
#include "tools/gui-demo/gallery.h"

namespace gui::testing {
namespace {

constexpr color32 sentinel = 0xFF00FF00;  // a colour no widget uses

void save(const bitmap& b, const std::string& name) {
  EXPECT_TRUE(wnd::save_screenshot(b, std::string(VORN_SHOTS_DIR) + "/" + name + ".png")) << name;
}

// The rectangles a view may paint: its own and its descendants'.
bool inside_any(const view& v, int32_t x, int32_t y) {
  if (v.visible() && v.bounds().contains(x, y)) return true;
  for (const auto& c : v.children())
    if (inside_any(*c, x, y)) return true;
  return false;
}

int32_t pixels_outside(const bitmap& b, const view& v) {
  int32_t n = 0;
  for (int32_t y = 0; y < b.height(); ++y)
    for (int32_t x = 0; x < b.width(); ++x)
      if (b.at(x, y) != sentinel && !inside_any(v, x, y)) ++n;
  return n;
}

int32_t differing(const bitmap& a, const bitmap& b, const rect& r) {
  int32_t n = 0;
  for (int32_t y = r.y1; y < r.y2; ++y)
    for (int32_t x = r.x1; x < r.x2; ++x) n += a.at(x, y) != b.at(x, y);
  return n;
}

struct case_t {
  const char* name;
  std::function<view&(root_container&, const ui_style&)> make;
};

TEST(pictures, every_widget_paints_only_inside_its_rectangles) {
  mount_builtin();
  static std::vector<std::unique_ptr<bitmap>> icons;
  const case_t cases[] = {
      {"knob", [](root_container& r, const ui_style& st) -> view& {
         knob& k = r.add<knob>("k", rect{40, 20, 89, 69}, st, 97, 1);
         k.set_caption("Cutoff");
         k.set_value(0.6f);
         return k;
       }},
      {"knob_bipolar", [](root_container& r, const ui_style& st) -> view& {
         knob& k = r.add<knob>("k", rect{40, 20, 73, 53}, st, 65, 2);
         k.set_range(-1.f, 1.f);
         k.set_value(-0.4f);
         return k;
       }},
      {"switch_two", [](root_container& r, const ui_style& st) -> view& {
         slider& s = r.add<slider>("s", rect{40, 40, 64, 52}, st, 2);
         s.set_value(1.f);
         return s;
       }},
      {"switch_three", [](root_container& r, const ui_style& st) -> view& {
         slider& s = r.add<slider>("s", rect{40, 40, 72, 56}, st, 3);
         s.set_value(2.f);
         return s;
       }},
      {"slider", [](root_container& r, const ui_style& st) -> view& {
         slider& s = r.add<slider>("s", rect{20, 40, 140, 52}, st, 0);
         s.set_value(0.3f);
         return s;
       }},
      {"button", [](root_container& r, const ui_style& st) -> view& { return r.add<button>("b", rect{30, 40, 110, 58}, st, "Randomize"); }},
      {"stepper", [](root_container& r, const ui_style& st) -> view& {
         return r.add<stepper>("s", rect{30, 40, 120, 55}, st, std::vector<std::string>{"Low", "Audio", "Tempo"});
       }},
      {"selector", [](root_container& r, const ui_style& st) -> view& {
         icons.push_back(std::make_unique<bitmap>());
         load_skin_bitmap("image/icon/waveform/sine", *icons.back(), false);
         return r.add<stepper>("s", rect{30, 40, 100, 55}, st, std::vector<const bitmap*>{icons.back().get()});
       }},
      {"dropbox", [](root_container& r, const ui_style& st) -> view& {
         dropbox& d = r.add<dropbox>("d", rect{30, 40, 140, 55}, st, "[40x12]Add,Multiply,");
         d.set_value(1.f);
         return d;
       }},
      {"menu_button", [](root_container& r, const ui_style& st) -> view& { return r.add<menu_button>("m", rect{30, 40, 80, 58}, st, "Menu", "A,B"); }},
      {"label", [](root_container& r, const ui_style& st) -> view& { return r.add<text>("t", rect{30, 40, 90, 52}, "A label far too long for it", &st); }},
      {"readout", [](root_container& r, const ui_style& st) -> view& {
         text& t = r.add<text>("t", rect{30, 40, 60, 57}, "888", &st);
         t.set_box(true);
         t.set_font(st.value);
         return t;
       }},
      {"edit", [](root_container& r, const ui_style& st) -> view& { return r.add<edit>("e", rect{20, 40, 150, 58}, st, "Warm Analog Pad"); }},
      {"ledstrip", [](root_container& r, const ui_style& st) -> view& {
         ledstrip& l = r.add<ledstrip>("l", rect{20, 40, 150, 52}, st, 8, palette::led_green);
         l.set_meter(5.5f);
         return l;
       }},
      {"indicator", [](root_container& r, const ui_style& st) -> view& {
         indicator& i = r.add<indicator>("i", rect{40, 40, 52, 52}, st, palette::led_red);
         i.set_on(true);
         return i;
       }},
      {"list", [](root_container& r, const ui_style& st) -> view& {
         list_box& l = r.add<list_box>("l", rect{20, 10, 150, 90}, st);
         l.set_rows({"Pad 1", "Bass 1", "Lead 1", "Brass 1", "Keys 1", "Pluck 1", "Strings 1", "Drone 1", "Pad 2"});
         l.select(2, false);
         return l;
       }},
      {"tabs", [](root_container& r, const ui_style& st) -> view& {
         return r.add<tabs>("t", rect{10, 10, 170, 28}, rect{10, 30, 170, 90}, st, std::vector<std::string>{"Global", "Route", "Effect"});
       }},
      {"region", [](root_container& r, const ui_style& st) -> view& { return r.add<region>("r", rect{10, 10, 170, 90}, st, "Filter"); }},
      {"glow", [](root_container& r, const ui_style& st) -> view& { return r.add<glow>("g", rect{20, 20, 160, 80}, "led red"); }},
      {"gradient", [](root_container& r, const ui_style& st) -> view& {
         const color32 corners[4] = {0xFFE0406A, 0xFF8F5BE0, 0xFF3FC1D0, 0xFF2A2E37};
         return r.add<gradient>("g", rect{10, 10, 170, 90}, corners);
       }},
      {"image", [](root_container& r, const ui_style& st) -> view& { return r.add<image>("i", rect{20, 20, 70, 42}, "image/icon/vorn"); }},
  };
  for (const case_t& c : cases) {
    SCOPED_TRACE(c.name);
    ui_fixture f(180, 100);
    f.root->set_background(sentinel);
    view& v = c.make(*f.root, ui_fixture::style());
    const bitmap& shot = f.paint();
    save(shot, std::string("widget-") + c.name);
    EXPECT_EQ(pixels_outside(shot, v), 0);
    int32_t drawn = 0;
    for (color32 p : shot.pixels) drawn += p != sentinel;
    EXPECT_GT(drawn, 20) << "something shows";
  }
}

TEST(pictures, a_knob_shows_another_frame_for_another_value) {
  ui_fixture f(100, 80);
  knob& k = f.root->add<knob>("k", rect{20, 10, 59, 49}, ui_fixture::style());
  k.set_value(0.2f);
  const bitmap low = f.paint();
  const int32_t frame_low = k.frame_index();
  k.set_value(0.8f);
  const bitmap& high = f.paint();
  EXPECT_NE(k.frame_index(), frame_low);
  EXPECT_GT(differing(low, high, k.bounds()), 50);
  EXPECT_EQ(differing(low, high, rect{0, 60, 100, 80}), 0) << "the value repaints only the knob";
}

TEST(pictures, a_pressed_button_differs_from_an_idle_one) {
  ui_fixture f(120, 50);
  button& b = f.root->add<button>("b", rect{10, 10, 100, 30}, ui_fixture::style(), "Press");
  const bitmap idle = f.paint();
  f.backend.mouse_down(f.window, mouse_button::left, 50, 20);
  const bitmap& pressed = f.paint();
  save(pressed, "widget-button-pressed");
  EXPECT_GT(differing(idle, pressed, b.bounds()), 200);
  f.backend.mouse_up(f.window, mouse_button::left, 50, 20);
}

TEST(pictures, a_value_change_repaints_and_presents_only_what_changed) {
  ui_fixture f(200, 100);
  knob& a = f.root->add<knob>("a", rect{10, 10, 43, 43}, ui_fixture::style());
  f.root->add<knob>("b", rect{100, 10, 133, 43}, ui_fixture::style());
  f.paint();
  f.backend.clear_presented();
  a.set_value(0.9f);
  f.paint();
  ASSERT_FALSE(f.backend.presented().empty());
  for (const rect& r : f.backend.presented()) EXPECT_FALSE(overlaps(r, rect{100, 10, 133, 43}));
}

TEST(pictures, the_gallery_texts_fit_their_fields_at_every_scale) {
  mount_builtin();
  for (float scale : {0.75f, 1.f, 1.25f, 2.f}) {
    SCOPED_TRACE(scale);
    const int32_t w = int32_t(762 * scale), h = int32_t(516 * scale);
    ui_fixture f(w, h);
    demo::gallery g;
    f.root->set_bounds({0, 0, w, h});
    demo::build_gallery(*f.root, style_for_scale(scale), g);
    const bitmap& shot = f.paint();
    save(shot, "gallery-" + std::to_string(int(scale * 100)));
    std::function<void(view&)> check = [&](view& v) {
      if (auto* t = dynamic_cast<text*>(&v); t && v.shown() && std::string(v.class_name()) != "edit")
        EXPECT_EQ(t->shown_text(), t->str()) << "cut: " << t->str();
      for (const auto& c : v.children()) check(*c);
    };
    check(*f.root);
  }
}

TEST(pictures, menus_and_dialogs_open_inside_the_window) {
  mount_builtin();
  ui_fixture f(762, 516);
  demo::gallery g;
  demo::build_gallery(*f.root, ui_fixture::style(), g);
  for (dropbox* d : g.menus) {
    SCOPED_TRACE(d->name());
    d->open_menu({});
    ASSERT_TRUE(d->is_open());
    for (const menu_panel* p : d->session()->panels()) {
      EXPECT_GE(p->card().x1, 0);
      EXPECT_GE(p->card().y1, 0);
      EXPECT_LE(p->card().x2, 762);
      EXPECT_LE(p->card().y2, 516);
    }
    if (d == g.menus[1]) save(f.paint(), "menu-voices");
    f.backend.press_key(f.window, wnd::key::escape);
    EXPECT_FALSE(d->is_open());
  }
  g.open_button->notify(true);
  save(f.paint(), "dialog-open");
  f.backend.press_key(f.window, wnd::key::escape);
  g.confirm_button->notify(true);
  save(f.paint(), "dialog-message");
  f.backend.press_key(f.window, wnd::key::escape);
  EXPECT_EQ(f.root->modal_layer(), nullptr);
}

}  // namespace
}  // namespace gui::testing
