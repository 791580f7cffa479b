// Pop-up menus in use: choosing by mouse and keyboard, submenus, masked
// items, placeholder entries, placement inside the window.
#include <gtest/gtest.h>

#include "guilib/menu/dropbox.h"
#include "guilib/menu/populate_menu.h"
#include "guilib/platform/keys.h"
#include "tests/gui/ui_fixture.h"
#include "tools/gui-demo/menu_strings.h"

namespace gui::testing {
namespace {

using mb = mouse_button;
namespace k = wnd::key;

const std::string& voices = demo::every_menu()[1].text;  // the voice-count menu

struct popup : ::testing::Test {
  ui_fixture f{400, 300};
  dropbox* d = nullptr;
  int calls = 0;
  function_listener listener{[this](control&) { ++calls; }};

  void SetUp() override {
    d = &f.root->add<dropbox>("voices", rect{20, 20, 100, 35}, ui_fixture::style(), voices);
    d->set_value(19.f);
    d->set_listener(&listener);
  }
  menu_session& open() {
    f.backend.click(f.window, mb::left, 40, 27);
    EXPECT_TRUE(d->is_open());
    return *d->session();
  }
  // Centre of the shown entry with this text in panel depth.
  point at(menu_session& s, size_t depth, const std::string& text) {
    const menu_panel& p = *s.panels()[depth];
    for (size_t i = 0; i < p.level().items.size(); ++i)
      if (p.level().items[i].shown && p.level().items[i].text == text) return p.item_rect(i).centre();
    ADD_FAILURE() << "no " << text;
    return {};
  }
};

TEST_F(popup, a_click_on_an_item_chooses_it_once_and_closes_the_menu) {
  menu_session& s = open();
  EXPECT_EQ(f.root->grabber(), &s);
  EXPECT_TRUE(f.backend.captured(f.window));
  EXPECT_EQ(s.panels()[0]->hovered(), 4) << "keys start at the current value's item";
  const point p = at(s, 0, "8");
  f.backend.click(f.window, mb::left, p.x, p.y);
  EXPECT_EQ(d->value(), 11.f);
  EXPECT_EQ(d->chosen().path, "8");
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(d->is_open());
  EXPECT_EQ(f.root->grabber(), nullptr);
  EXPECT_FALSE(f.backend.captured(f.window));
  EXPECT_EQ(f.root->find("menu"), nullptr) << "the session left the tree";
}

TEST_F(popup, hovering_a_submenu_item_opens_it_and_another_item_closes_it) {
  menu_session& s = open();
  const point more = at(s, 0, "...");
  f.backend.mouse_move(f.window, more.x, more.y);
  ASSERT_EQ(s.panels().size(), 2u);
  EXPECT_GE(s.panels()[1]->card().x1, s.panels()[0]->card().x2 - 2) << "to the right of its item";
  const point two = at(s, 1, "2");
  f.backend.mouse_move(f.window, two.x, two.y);
  f.backend.click(f.window, mb::left, two.x, two.y);
  EXPECT_EQ(d->value(), 5.f);
  EXPECT_EQ(d->chosen().path, "....2");
  open();
  menu_session& s2 = *d->session();
  f.backend.mouse_move(f.window, at(s2, 0, "...").x, at(s2, 0, "...").y);
  ASSERT_EQ(s2.panels().size(), 2u);
  f.backend.mouse_move(f.window, at(s2, 0, "Low").x, at(s2, 0, "Low").y);
  EXPECT_EQ(s2.panels().size(), 1u);
}

TEST_F(popup, a_press_outside_closes_without_a_choice) {
  open();
  f.backend.click(f.window, mb::left, 390, 290);
  EXPECT_FALSE(d->is_open());
  EXPECT_EQ(d->value(), 19.f);
  EXPECT_EQ(calls, 0);
  // The press that closed the menu was used up: nothing below got it.
  EXPECT_EQ(f.root->target(), nullptr);
}

TEST_F(popup, press_drag_and_release_on_an_item_chooses_it) {
  f.backend.mouse_down(f.window, mb::left, 40, 27);
  menu_session& s = *d->session();
  const point p = at(s, 0, "New");
  f.backend.mouse_move(f.window, p.x, p.y);
  f.backend.mouse_up(f.window, mb::left, p.x, p.y);
  EXPECT_EQ(d->value(), 2.f);
  EXPECT_EQ(calls, 1);
}

TEST_F(popup, keys_move_open_choose_and_close) {
  open();
  f.backend.press_key(f.window, k::down);  // from "16" to "..."
  f.backend.press_key(f.window, k::right);  // opens it, on "1"
  ASSERT_EQ(d->session()->panels().size(), 2u);
  f.backend.press_key(f.window, k::right);  // next column: "9"
  f.backend.press_key(f.window, k::down);   // "10"
  f.backend.press_key(f.window, k::enter);
  EXPECT_EQ(d->value(), 13.f);
  EXPECT_EQ(d->chosen().text, "10");

  open();
  EXPECT_EQ(d->session()->panels()[0]->hovered(), 5) << "the submenu that holds the value";
  f.backend.press_key(f.window, k::enter);  // opens the submenu
  EXPECT_EQ(d->session()->panels().size(), 2u);
  f.backend.press_key(f.window, k::escape);  // closes it
  EXPECT_EQ(d->session()->panels().size(), 1u);
  f.backend.type(f.window, "o");  // jumps to "Old"
  f.backend.press_key(f.window, k::space);
  EXPECT_EQ(d->value(), 3.f);

  open();
  f.backend.press_key(f.window, k::escape);
  EXPECT_FALSE(d->is_open());
  EXPECT_EQ(d->value(), 3.f);
}

TEST_F(popup, the_shown_text_is_the_item_of_the_value_wherever_it_is) {
  EXPECT_EQ(d->shown_text(), "16");
  d->set_value(6.f);
  EXPECT_EQ(d->shown_text(), "3");
  d->set_value(2.f);
  EXPECT_EQ(d->shown_text(), "New");
}

TEST(popup_owner, shift_held_when_the_menu_opens_shows_the_masked_items) {
  ui_fixture f(400, 300);
  menu_button& m = f.root->add<menu_button>("m", rect{10, 10, 60, 28}, ui_fixture::style(), "Menu",
                                            "A,[ms]B,[m]C");
  f.backend.click(f.window, mb::left, 20, 20);
  EXPECT_EQ(m.session()->panels()[0]->selectable().size(), 2u);
  f.backend.press_key(f.window, k::escape);
  f.backend.key_down(f.window, k::shift);
  f.backend.click(f.window, mb::left, 20, 20);
  EXPECT_EQ(m.session()->panels()[0]->selectable().size(), 3u);
  f.backend.press_key(f.window, k::escape);
}

TEST(popup_owner, a_menu_button_reports_every_choice_and_placeholder_entries_carry_their_index) {
  ui_fixture f(400, 300);
  menu_populator pop;
  pop.add("cc map.remove", [](menu_adder& a) {
    a.item("Modulation (1) to Volume (0)");
    a.item("Breath (2) to Filter Frequency (41)");
  });
  std::vector<std::string> complaints;
  pop.on_unhandled = [&](const std::string& msg, const std::string& path) { complaints.push_back(msg + ": " + path); };
  menu_button& m = f.root->add<menu_button>("m", rect{10, 10, 60, 28}, ui_fixture::style(), "Menu",
                                            "[72x14]CC Map{Learn,Remove{[p]}}PCM{Remove{[p]}}");
  std::vector<menu_choice> seen;
  function_listener l([&](control& c) { seen.push_back(static_cast<dropbox&>(c).chosen()); });
  m.set_listener(&l);
  m.set_placeholder(&pop);
  for (int round = 0; round < 2; ++round) {
    f.backend.click(f.window, mb::left, 20, 20);
    menu_session& s = *m.session();
    for (const char* step : {"CC Map", "Remove", "Breath (2) to Filter Frequency (41)"}) {
      const menu_panel& p = *s.panels().back();
      for (size_t i = 0; i < p.level().items.size(); ++i) {
        if (p.level().items[i].text != step) continue;
        const point c = p.item_rect(i).centre();
        f.backend.mouse_move(f.window, c.x, c.y);
        if (step[0] == 'B') f.backend.click(f.window, mb::left, c.x, c.y);
        break;
      }
    }
  }
  ASSERT_EQ(seen.size(), 2u) << "the same command twice is reported twice";
  EXPECT_EQ(seen[0].level_path, "cc map.remove");
  EXPECT_TRUE(seen[0].dynamic);
  EXPECT_EQ(seen[0].dynamic_index, 1);
  EXPECT_EQ(complaints, std::vector<std::string>(2, std::string(populate_unhandled_text) + ": pcm.remove"))
      << "an unknown path is reported at every opening";
}

TEST(popup_owner, a_menu_at_the_bottom_right_corner_opens_above_and_inside_the_window) {
  ui_fixture f(300, 200);
  dropbox& d = f.root->add<dropbox>("d", rect{230, 180, 298, 196}, ui_fixture::style(), voices);
  f.backend.click(f.window, mb::left, 250, 188);
  const menu_panel& p = *d.session()->panels()[0];
  EXPECT_LE(p.card().y2, 180) << "above the owner";
  EXPECT_LE(p.card().x2, 300);
  f.backend.mouse_move(f.window, p.item_rect(5).centre().x, p.item_rect(5).centre().y);  // "..."
  ASSERT_EQ(d.session()->panels().size(), 2u);
  const menu_panel& sub = *d.session()->panels()[1];
  EXPECT_GE(sub.card().x1, 0);
  EXPECT_LE(sub.card().x2, 300);
  EXPECT_LE(sub.card().x2, p.card().x1 + 2) << "to the left when the right has no room";
}

}  // namespace
}  // namespace gui::testing

namespace gui::testing {
namespace {

// Pop-up windows, as Win32 makes them: the panels leave the editor's area,
// stay on the screen, and the editor's window still routes the input.
TEST(popup_windows, panels_open_in_layered_windows_outside_the_editor_and_take_the_input) {
  ui_fixture f(200, 120);
  f.backend.set_popup_windows(true);
  f.backend.set_screen({0, 0, 640, 800});
  f.backend.move(f.window, 100, 300);  // the editor on the screen
  dropbox& d = f.root->add<dropbox>("d", rect{120, 90, 190, 106}, ui_fixture::style(), voices);
  f.backend.click(f.window, mouse_button::left, 150, 98);
  ASSERT_TRUE(d.is_open());
  menu_session& s = *d.session();
  ASSERT_NE(s.panel_window(0), nullptr);
  EXPECT_TRUE(s.panel_window(0)->layered);
  EXPECT_EQ(f.backend.window_count(), 2u);
  // The panel hangs below the editor's bottom edge, on the screen.
  const gui::point at = f.backend.position(*s.panel_window(0));
  EXPECT_GT(at.y + s.panel_window(0)->height, 300 + 120);
  EXPECT_LE(at.y + s.panel_window(0)->height, 800);
  wnd::save_screenshot(s.panel_window(0)->surface.pixels, std::string(VORN_SHOTS_DIR) + "/menu-popup-window.png");
  // Its surface is transparent around the card and opaque on it.
  const bitmap& px = s.panel_window(0)->surface.pixels;
  EXPECT_EQ(alpha_of(px.at(0, 0)), 0u);
  const point card_mid = s.panels()[0]->card().centre();
  EXPECT_EQ(alpha_of(px.at(card_mid.x, card_mid.y)), 255u);
  // Pointing at "..." opens its submenu in a second window; a click in it,
  // in the editor's coordinates far outside the editor, chooses.
  auto editor_point = [&](size_t depth, const std::string& text) {
    menu_panel& p = *s.panels()[depth];
    for (size_t i = 0; i < p.level().items.size(); ++i)
      if (p.level().items[i].shown && p.level().items[i].text == text) {
        const point c = p.item_rect(i).centre(), o = s.panel_offset(depth);
        return point{c.x - o.x, c.y - o.y};
      }
    ADD_FAILURE() << text;
    return point{};
  };
  const point more = editor_point(0, "...");
  f.backend.mouse_move(f.window, more.x, more.y);
  ASSERT_EQ(s.panels().size(), 2u);
  EXPECT_EQ(f.backend.window_count(), 3u);
  const point seven = editor_point(1, "7");
  EXPECT_GT(seven.y, 120) << "outside the editor";
  f.backend.mouse_move(f.window, seven.x, seven.y);
  f.backend.click(f.window, mouse_button::left, seven.x, seven.y);
  EXPECT_EQ(d.value(), 10.f);
  EXPECT_FALSE(d.is_open());
  EXPECT_EQ(f.backend.window_count(), 1u) << "the pop-up windows are gone";
}

TEST(popup_windows, a_menu_closes_when_the_editor_window_is_deactivated) {
  ui_fixture f(200, 120);
  f.backend.set_popup_windows(true);
  dropbox& d = f.root->add<dropbox>("d", rect{10, 10, 80, 26}, ui_fixture::style(), voices);
  f.backend.click(f.window, mouse_button::left, 20, 18);
  ASSERT_TRUE(d.is_open());
  wnd::activate_message(f.window, false);
  EXPECT_FALSE(d.is_open());
  EXPECT_EQ(f.backend.window_count(), 1u);
  EXPECT_FALSE(f.backend.captured(f.window));
}

TEST(layered_pixels, premultiplied_with_transparent_pixels_kept_at_alpha_one) {
  EXPECT_EQ(gfx::premultiply_for_layered(0x00FFFFFFu), 0x01000000u) << "still takes the mouse";
  EXPECT_EQ(gfx::premultiply_for_layered(0x00000000u), 0x01000000u);
  EXPECT_EQ(gfx::premultiply_for_layered(0xFFABCDEFu), 0xFFABCDEFu) << "(c * 256) >> 8 at full alpha";
  EXPECT_EQ(gfx::premultiply_for_layered(0x80FF4000u), argb(0x80, (255 * 129) >> 8, (64 * 129) >> 8, 0));
  bitmap b, out;
  create(b, 3, 1);
  b.pixels = {0x00123456u, 0x40FFFFFFu, 0xFF000000u};
  gfx::premultiply_for_layered(b, out);
  EXPECT_EQ(out.pixels, (std::vector<color32>{0x01000000u, argb(0x40, (255 * 65) >> 8, (255 * 65) >> 8, (255 * 65) >> 8), 0xFF000000u}));
}

}  // namespace
}  // namespace gui::testing
