// Screenshots of the editor in use, for people to look at (<build>/editor-shots):
// a control's right-click menu open at scales 1 and 2, and the undo and redo
// arrows by the preset name, one of them lit. Each picture is checked for
// what it must show before it is written.
#include <gtest/gtest.h>

#include <algorithm>

#include "guilib/menu/menu_session.h"
#include "guilib/platform/headless/headless.h"
#include "tests/editor/editor_fixture.h"

namespace editor_test {
namespace {

const gui::bitmap& surface(editor_instance& e) {
  e.root().damage(e.root().bounds());
  e.backend().pump();
  return e.window().surface.pixels;
}

// Pixels of r that differ between two pictures of the same size.
int changed_in(const gui::bitmap& a, const gui::bitmap& b, const gui::rect& r) {
  int n = 0;
  for (int32_t y = std::max(r.y1, 0); y < std::min(r.y2, a.height()); ++y)
    for (int32_t x = std::max(r.x1, 0); x < std::min(r.x2, a.width()); ++x)
      n += a.pixels[size_t(y) * size_t(a.width()) + size_t(x)] != b.pixels[size_t(y) * size_t(b.width()) + size_t(x)];
  return n;
}

TEST(editor_shots, a_right_click_menu_open_at_scales_one_and_two) {
  for (float scale : {1.f, 2.f}) {
    SCOPED_TRACE(scale);
    editor_instance e;
    e.editor().set_scale(scale);
    ASSERT_TRUE(e.open());
    e.wait();
    const gui::bitmap closed = surface(e);
    e.right_click(e.view().params[synth::p::filter_frequency].widget->bounds());
    gui::menu_session* s = e.open_menu();
    ASSERT_NE(s, nullptr);
    const gui::bitmap& open = surface(e);
    const gui::rect card = s->panels().front()->bounds();
    EXPECT_GT(changed_in(closed, open, card), card.width() * card.height() / 3) << "the menu is drawn";
    const std::string path = std::string(VORN_SHOTS_DIR) + "/control-menu-" + std::to_string(int(scale * 100)) + ".png";
    EXPECT_TRUE(wnd::save_screenshot(open, path)) << path;
  }
}

TEST(editor_shots, the_value_field_over_a_knob) {
  editor_instance e;
  e.editor().set_scale(2.f);
  ASSERT_TRUE(e.open());
  e.wait();
  gui::control& cutoff = *e.view().params[synth::p::filter_frequency].widget;
  e.right_click(cutoff.bounds());
  ASSERT_TRUE(e.choose_in_open_menu("Enter value…"));
  e.backend().type(e.window(), "1.2 kHz");
  gui::view* field = e.root().find("value entry");
  ASSERT_NE(field, nullptr);
  EXPECT_TRUE(gui::overlaps(field->bounds(), cutoff.bounds()))
      << "the field sits at its knob";
  EXPECT_TRUE(wnd::save_screenshot(surface(e), std::string(VORN_SHOTS_DIR) + "/value-entry.png"));
}

TEST(editor_shots, the_undo_arrows_by_the_preset_name) {
  editor_instance e;
  e.editor().set_scale(2.f);
  ASSERT_TRUE(e.open());
  e.wait();
  const gui::bitmap idle = surface(e);
  e.drag(e.view().params[synth::p::filter_frequency].widget->bounds(), -40);
  const gui::bitmap& lit = surface(e);
  EXPECT_GT(changed_in(idle, lit, e.view().undo_arrow->bounds()), 10) << "the undo arrow lights up";
  EXPECT_EQ(changed_in(idle, lit, e.view().redo_arrow->bounds()), 0);
  EXPECT_TRUE(wnd::save_screenshot(lit, std::string(VORN_SHOTS_DIR) + "/undo-arrows.png"));
}

}  // namespace
}  // namespace editor_test
