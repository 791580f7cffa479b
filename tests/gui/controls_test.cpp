// The control model and the value-carrying widgets driven through the
// headless window: values, clamping, links, knob drags and resets, slider
// presses, button clicks, steppers, text mirroring and editing.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "guilib/platform/keys.h"
#include "guilib/widgets/button.h"
#include "guilib/widgets/edit.h"
#include "guilib/widgets/knob.h"
#include "guilib/widgets/list_box.h"
#include "guilib/widgets/slider.h"
#include "guilib/widgets/stepper.h"
#include "guilib/widgets/tabs.h"
#include "guilib/widgets/text.h"
#include "tests/gui/ui_fixture.h"

namespace gui::testing {
namespace {

using mb = mouse_button;
namespace k = wnd::key;

struct counter : control_listener {
  int calls = 0;
  float last = 0.f;
  void changed(control& c) override { ++calls, last = c.value(); }
};

TEST(control, a_new_control_reports_its_first_assignment_even_of_zero) {
  for (float v : {0.f, 1.f, -FLT_MAX}) {
    control c;
    counter n;
    c.set_listener(&n);
    c.set_value(v);
    c.notify();
    EXPECT_EQ(n.calls, 1) << v;
    c.set_value(v);
    c.notify();
    EXPECT_EQ(n.calls, 1) << "the same value again is no change";
  }
}

TEST(control, clamping_and_integer_stepping) {
  control c;
  c.set_value(1.5f);
  EXPECT_EQ(c.value(), 1.f);
  c.set_value(-3.f);
  EXPECT_EQ(c.value(), 0.f);
  c.set_integer(true, true);
  c.set_value(0.6f);
  EXPECT_EQ(c.value(), 1.f);
  c.set_integer(true, false);
  c.set_value(0.6f);
  EXPECT_EQ(c.value(), 0.f);
  c.set_clamp(false);
  c.set_integer(false);
  c.set_value(7.25f);
  EXPECT_EQ(c.value(), 7.25f);
  c.set_value(std::nanf(""));
  EXPECT_EQ(c.value(), 0.f) << "NaN reads as the minimum";
}

TEST(control, linked_controls_follow_and_a_circle_of_links_ends) {
  control a, b, c;
  a.link(b);
  b.link(c);
  c.link(a);
  a.set_value(0.25f);
  EXPECT_EQ(b.value(), 0.25f);
  EXPECT_EQ(c.value(), 0.25f);
  {
    control gone;
    a.link(gone);
  }
  a.set_value(0.5f);  // the destroyed link is no longer called
  EXPECT_EQ(c.value(), 0.5f);
}

TEST(control, wheel_steps_by_the_sensitivity_and_finer_with_shift) {
  ui_fixture f;
  knob& k = f.root->add<knob>("k", rect{10, 10, 43, 43}, f.style());
  k.set_value(0.5f);
  f.backend.wheel(f.window, 1.f, 20, 20);
  EXPECT_FLOAT_EQ(k.value(), 0.5625f);
  f.backend.key_down(f.window, k::shift);
  f.backend.wheel(f.window, -1.f, 20, 20);
  EXPECT_FLOAT_EQ(k.value(), 0.5625f - 0.015625f);
}

struct knob_drag : ::testing::Test {
  ui_fixture f{400, 12000};
  knob* k = nullptr;
  void SetUp() override {
    k = &f.root->add<knob>("k", rect{100, 11000, 133, 11033}, ui_fixture::style());
    k->set_value(0.f);
  }
  float drag_up(int32_t pixels, mb button = mb::left) {
    k->set_value(0.f);
    f.backend.drag(f.window, button, 110, 11010, 110, 11010 - pixels, 50);
    return k->value();
  }
};

TEST_F(knob_drag, the_range_takes_100_pixels_or_1000_with_shift_or_10000_with_shift_and_right) {
  EXPECT_NEAR(drag_up(100), 1.f, 1e-6f);
  EXPECT_NEAR(drag_up(50), 0.5f, 1e-6f);
  f.backend.key_down(f.window, k::shift);
  EXPECT_NEAR(drag_up(1000), 1.f, 1e-5f);
  EXPECT_NEAR(drag_up(100), 0.1f, 1e-5f);
  k->filter().right = true;
  EXPECT_NEAR(drag_up(10000), 1.f, 1e-4f);
  f.backend.key_up(f.window, k::shift);
  EXPECT_NEAR(drag_up(1000, mb::right), 1.f, 1e-5f) << "the right button alone is level 1";
}

// What the owner of a control hears besides value changes.
struct gesture_log : control_listener {
  std::vector<std::string> log;
  void changed(control&) override {
    if (log.empty() || log.back() != "change") log.push_back("change");
  }
  void drag_started(control&) override { log.push_back("start"); }
  void drag_ended(control&) override { log.push_back("end"); }
  bool menu_requested(control&, point) override {
    log.push_back("menu");
    return true;
  }
};

TEST_F(knob_drag, a_right_click_asks_for_the_menu_and_drags_say_when_they_start_and_end) {
  gesture_log g;
  k->set_listener(&g);
  k->set_value(0.5f);
  f.backend.click(f.window, mb::right, 110, 11010);
  EXPECT_EQ(g.log, std::vector<std::string>{"menu"});
  // Two pixels of wander are still a click, and move nothing.
  g.log.clear();
  f.backend.mouse_down(f.window, mb::right, 110, 11010);
  f.backend.mouse_move(f.window, 111, 11008);
  f.backend.mouse_up(f.window, mb::right, 111, 11008);
  EXPECT_EQ(g.log, std::vector<std::string>{"menu"});
  EXPECT_EQ(k->value(), 0.5f);
  // A right drag is a fine drag: no jump at its start, no menu.
  g.log.clear();
  f.backend.drag(f.window, mb::right, 110, 11010, 110, 10990, 10);
  EXPECT_EQ(g.log, (std::vector<std::string>{"start", "change", "end"}));
  EXPECT_NEAR(k->value(), 0.52f, 1e-5f);
  g.log.clear();
  f.backend.drag(f.window, mb::left, 110, 11010, 110, 11000, 5);
  EXPECT_EQ(g.log, (std::vector<std::string>{"start", "change", "end"}));
}

TEST(slider, a_right_click_asks_for_the_menu_and_a_drag_says_when_it_starts_and_ends) {
  ui_fixture f;
  slider& s = f.root->add<slider>("s", rect{10, 10, 110, 22}, ui_fixture::style(), 0);
  gesture_log g;
  s.set_listener(&g);
  s.set_value(0.25f);
  f.backend.click(f.window, mb::right, 60, 16);
  EXPECT_EQ(g.log, std::vector<std::string>{"menu"});
  EXPECT_EQ(s.value(), 0.25f);
  g.log.clear();
  f.backend.drag(f.window, mb::left, 30, 16, 80, 16, 5);
  EXPECT_EQ(g.log, (std::vector<std::string>{"start", "change", "end"}));
}

TEST(stepper, a_right_click_asks_for_the_menu_without_stepping) {
  ui_fixture f;
  stepper& s = f.root->add<stepper>("s", rect{10, 10, 90, 26}, ui_fixture::style(),
                                    std::vector<std::string>{"A", "B", "C"});
  gesture_log g;
  s.set_listener(&g);
  f.backend.click(f.window, mb::right, 50, 18);
  EXPECT_EQ(g.log, std::vector<std::string>{"menu"});
  EXPECT_EQ(s.value(), 0.f);
}

TEST_F(knob_drag, pressing_shift_in_the_middle_of_a_drag_does_not_jump) {
  f.backend.mouse_down(f.window, mb::left, 110, 11010);
  f.backend.mouse_move(f.window, 110, 10980);
  EXPECT_NEAR(k->value(), 0.3f, 1e-6f);
  f.backend.key_down(f.window, k::shift);
  f.backend.mouse_move(f.window, 110, 10980);
  EXPECT_NEAR(k->value(), 0.3f, 1e-6f);
  f.backend.mouse_move(f.window, 110, 10970);
  EXPECT_NEAR(k->value(), 0.31f, 1e-5f);
  f.backend.key_up(f.window, k::shift);
  f.backend.mouse_up(f.window, mb::left, 110, 10970);
}

TEST_F(knob_drag, ctrl_click_middle_click_and_double_click_restore_the_default_without_a_drag) {
  k->set_default(0.75f);
  counter n;
  k->set_listener(&n);
  struct way {
    const char* name;
    std::function<void()> act;
  };
  const way ways[] = {
      {"ctrl+left", [&] {
         f.backend.key_down(f.window, k::ctrl);
         f.backend.mouse_down(f.window, mb::left, 110, 11010);
       }},
      {"middle", [&] { f.backend.mouse_down(f.window, mb::middle, 110, 11010); }},
      {"double", [&] { f.backend.mouse_down(f.window, mb::left, 110, 11010, true); }},
  };
  for (const way& w : ways) {
    SCOPED_TRACE(w.name);
    k->set_value(0.1f);
    n.calls = 0;
    w.act();
    EXPECT_FLOAT_EQ(k->value(), 0.75f);
    EXPECT_EQ(n.calls, 1);
    EXPECT_FALSE(f.root->captured()) << "no drag starts";
    f.backend.mouse_move(f.window, 110, 10900);
    EXPECT_FLOAT_EQ(k->value(), 0.75f);
    f.backend.mouse_up(f.window, mb::left, 110, 10900);
    f.backend.mouse_up(f.window, mb::middle, 110, 10900);
    f.backend.key_up(f.window, k::ctrl);
  }
}

TEST_F(knob_drag, rotary_mode_follows_the_angle_around_the_centre) {
  k->set_drag(drag_mode::rotary);
  const point c = k->bounds().centre();
  f.backend.mouse_down(f.window, mb::left, c.x, c.y - 10);
  f.backend.mouse_move(f.window, c.x, c.y - 10);  // straight up: the middle
  EXPECT_NEAR(k->value(), 0.5f, 1e-6f);
  f.backend.mouse_move(f.window, c.x + 10, c.y);  // right: a quarter turn clockwise
  EXPECT_NEAR(k->value(), (0.5f / 0.9f + 1.f) * 0.5f, 1e-5f);
  f.backend.mouse_up(f.window, mb::left, c.x + 10, c.y);
}

TEST(knob, the_label_shows_the_caption_and_the_value_while_hovered_or_dragged) {
  ui_fixture f;
  knob& k = f.root->add<knob>("k", rect{20, 20, 53, 53}, f.style());
  k.set_caption("Cutoff");
  k.set_value(0.25f);
  EXPECT_EQ(k.label().str(), "Cutoff");
  f.backend.mouse_move(f.window, 30, 30);
  EXPECT_EQ(k.label().str(), "0.25");
  f.backend.mouse_move(f.window, 200, 150);
  EXPECT_EQ(k.label().str(), "Cutoff");
}

TEST(slider, a_press_puts_the_thumb_under_the_pointer_and_the_reset_keys_go_first) {
  ui_fixture f;
  slider& s = f.root->add<slider>("s", rect{10, 10, 110, 22}, f.style(), 0);
  s.set_default(0.5f);
  f.backend.click(f.window, mb::left, 10 + 44, 15);  // thumb 12: (x - x1) / (100 - 12)
  EXPECT_NEAR(s.value(), 0.5f, 1e-6f);
  f.backend.click(f.window, mb::left, 10 + 22, 15);
  EXPECT_NEAR(s.value(), 0.25f, 1e-6f);
  s.set_value(0.9f);
  f.backend.mouse_down(f.window, mb::middle, 10 + 22, 15);
  EXPECT_NEAR(s.value(), 0.5f, 1e-6f) << "the middle button restores the default";
  f.backend.mouse_up(f.window, mb::middle, 10 + 22, 15);
  // Fine adjustment with the right button: a hundredth of the pointer's travel.
  s.set_value(0.5f);
  f.backend.drag(f.window, mb::right, 50, 15, 94, 15);
  EXPECT_NEAR(s.value(), 0.5f + 44.f * 0.01f / 88.f, 1e-5f);
}

TEST(slider, an_integer_switch_uses_positions_as_wide_as_its_steps) {
  ui_fixture f;
  slider& s = f.root->add<slider>("s", rect{0, 0, 48, 16}, f.style(), 3);
  EXPECT_EQ(s.thumb_width(), 16);
  // (x - x1) / (width - thumb) of the range: 0 below 8, 1 from 8 to 23, 2 above.
  f.backend.click(f.window, mb::left, 16, 8);
  EXPECT_EQ(s.value(), 1.f);
  EXPECT_EQ(s.frame_index(), 1);
  f.backend.click(f.window, mb::left, 47, 8);
  EXPECT_EQ(s.value(), 2.f);
  f.backend.click(f.window, mb::left, 7, 8);
  EXPECT_EQ(s.value(), 0.f);
}

TEST(button, a_click_inside_reports_once_on_release_and_one_released_outside_reports_nothing) {
  ui_fixture f;
  button& b = f.root->add<button>("b", rect{10, 10, 60, 30}, f.style(), "OK");
  counter n;
  b.set_listener(&n);
  f.backend.mouse_down(f.window, mb::left, 20, 20);
  EXPECT_TRUE(b.pressed());
  EXPECT_EQ(n.calls, 0);
  f.backend.mouse_up(f.window, mb::left, 20, 20);
  EXPECT_EQ(n.calls, 1);
  EXPECT_FALSE(b.pressed());
  f.backend.mouse_down(f.window, mb::left, 20, 20);
  f.backend.mouse_move(f.window, 100, 100);
  EXPECT_FALSE(b.pressed());
  f.backend.mouse_move(f.window, 59, 29);
  EXPECT_TRUE(b.pressed()) << "back inside, edges included";
  f.backend.mouse_move(f.window, 100, 100);
  f.backend.mouse_up(f.window, mb::left, 100, 100);
  EXPECT_EQ(n.calls, 1);
}

TEST(stepper, arrows_step_without_wrapping_and_the_middle_wraps) {
  ui_fixture f;
  stepper& s = f.root->add<stepper>("s", rect{0, 0, 90, 15}, f.style(), std::vector<std::string>{"Low", "Audio", "Tempo"});
  f.backend.click(f.window, mb::left, 85, 7);
  EXPECT_EQ(s.choice_text(), "Audio");
  f.backend.click(f.window, mb::left, 85, 7);
  f.backend.click(f.window, mb::left, 85, 7);
  EXPECT_EQ(s.choice_text(), "Tempo");
  f.backend.click(f.window, mb::left, 45, 7);
  EXPECT_EQ(s.choice_text(), "Low");
  f.backend.click(f.window, mb::left, 2, 7);
  EXPECT_EQ(s.choice_text(), "Low");
  f.backend.wheel(f.window, 1.f, 45, 7);
  EXPECT_EQ(s.choice_text(), "Audio");
}

TEST(text, set_text_mirrors_to_linked_fields_cuts_to_a_length_and_ignores_equal_text) {
  text a("a", {}, ""), b("b", {}, ""), c("c", {}, "");
  a.link_text(b);
  b.link_text(c);
  c.link_text(a);
  a.set_text("Loaded preset");
  EXPECT_EQ(c.str(), "Loaded preset");
  a.set_text("Saved bank file", 5);
  EXPECT_EQ(b.str(), "Saved");
  c.clear_dirty();
  a.set_text("Saved");
  EXPECT_FALSE(c.dirty());
}

TEST(text, placement_follows_the_alignment_rules) {
  const ui_style& st = ui_fixture::style();
  text t("t", rect{10, 20, 110, 40}, "Volume", &st);
  const int32_t w = t.text_width(), line = t.used_font().line_height();
  t.set_align(align::start, align::start);
  EXPECT_EQ(t.placement().x, 10);
  EXPECT_EQ(t.placement().y, 20);
  t.set_align(align::end, align::end);
  EXPECT_EQ(t.placement().x, 110 - w);
  EXPECT_EQ(t.placement().y, 40 - line - 1);
  t.set_align(align::centre, align::centre);
  EXPECT_EQ(t.placement().x, int32_t(float(100 - w) * 0.5f + 10.f));
  EXPECT_EQ(t.placement().y, int32_t(float(20 - line - 1) * 0.5f + 20.f));
  t.set_offset(3, -2);
  EXPECT_EQ(t.placement().x, int32_t(float(100 - w) * 0.5f + 10.f) + 3);
}

TEST(edit, typing_replaces_the_selection_and_keys_move_the_caret) {
  ui_fixture f;
  edit& e = f.root->add<edit>("name", rect{10, 10, 200, 28}, f.style(), "Init");
  std::vector<std::string> commits;
  e.on_commit = [&](edit& ed) { commits.push_back(ed.str()); };
  f.backend.click(f.window, mb::left, 50, 18);
  EXPECT_TRUE(e.focused());
  EXPECT_TRUE(f.backend.has_focus(f.window)) << "the window takes the keyboard for the field";
  f.backend.type(f.window, "Pad @2");
  EXPECT_EQ(e.str(), "Pad @2");
  f.backend.press_key(f.window, k::backspace);
  f.backend.press_key(f.window, k::home);
  f.backend.type(f.window, "Warm ");
  f.backend.press_key(f.window, k::f1);  // no character
  EXPECT_EQ(e.str(), "Warm Pad @");
  f.backend.press_key(f.window, k::enter);
  EXPECT_FALSE(e.focused());
  EXPECT_FALSE(f.backend.has_focus(f.window)) << "and gives it back";
  EXPECT_EQ(commits, std::vector<std::string>{"Warm Pad @"});
  // Escape restores the text the field had.
  f.backend.click(f.window, mb::left, 50, 18);
  f.backend.type(f.window, "Oops");
  f.backend.press_key(f.window, k::escape);
  EXPECT_EQ(e.str(), "Warm Pad @");
  EXPECT_EQ(commits.size(), 1u);
  // A press elsewhere commits.
  f.backend.click(f.window, mb::left, 50, 18);
  f.backend.type(f.window, "Bass");
  f.backend.click(f.window, mb::left, 230, 150);
  EXPECT_EQ(commits.back(), "Bass");
}

TEST(edit, the_selection_stays_inside_a_text_that_changes_under_it) {
  // A text set from outside while the field has the focus (a caller, a
  // linked field) can be shorter than the selection: typing, deleting and
  // moving then work on the new text instead of throwing out of the field.
  ui_fixture f;
  edit& e = f.root->add<edit>("name", rect{10, 10, 200, 28}, f.style(), "Init");
  text& source = f.root->add<text>("source", rect{10, 40, 200, 58}, "Init");
  source.link_text(e);
  f.backend.click(f.window, mb::left, 50, 18);
  ASSERT_TRUE(e.focused());
  f.backend.type(f.window, "Long preset name");
  EXPECT_EQ(e.caret(), 16u);
  e.set_text("Pad");
  EXPECT_EQ(e.caret(), 3u);
  EXPECT_EQ(e.selection_start(), 3u);
  EXPECT_EQ(e.selection_end(), 3u);
  f.backend.type(f.window, "s");
  EXPECT_EQ(e.str(), "Pads");
  // Selected all, then shortened through a linked widget.
  f.backend.key_down(f.window, k::ctrl);
  f.backend.press_key(f.window, k::letter_a);
  f.backend.key_up(f.window, k::ctrl);
  EXPECT_EQ(e.selection_end(), 4u);
  source.set_text("X");
  EXPECT_EQ(e.str(), "X");
  EXPECT_LE(e.selection_end(), 1u);
  f.backend.press_key(f.window, k::del);
  f.backend.press_key(f.window, k::backspace);
  EXPECT_EQ(e.str(), "");
  EXPECT_EQ(e.caret(), 0u);
  e.set_text("Organ");
  f.backend.press_key(f.window, k::end);
  f.backend.key_down(f.window, k::shift);
  f.backend.press_key(f.window, k::left);
  f.backend.key_up(f.window, k::shift);
  f.backend.type(f.window, "!");
  EXPECT_EQ(e.str(), "Orga!");  // Shift+Left selected the "n"
  // Escape with the button still held on the field: the focus goes, the
  // field stays the pointer's target and gets the next characters, with the
  // restored (shorter) text under them.
  e.set_text("ab");
  f.backend.press_key(f.window, k::enter);
  f.backend.mouse_down(f.window, mb::left, 50, 18);
  f.backend.type(f.window, "0123456789");
  f.backend.press_key(f.window, k::escape);
  EXPECT_FALSE(e.focused());
  EXPECT_EQ(e.str(), "ab");
  EXPECT_LE(e.caret(), 2u);
  f.backend.type(f.window, "c");
  f.backend.mouse_up(f.window, mb::left, 50, 18);
  EXPECT_EQ(e.str(), "abc");
  // A field that never had the focus, set shorter, then focused and typed into.
  edit& other = f.root->add<edit>("other", rect{10, 70, 200, 88}, f.style(), "A long text here");
  other.set_text("ab");
  EXPECT_LE(other.caret(), 2u);
  f.backend.click(f.window, mb::left, 50, 78);
  f.backend.type(f.window, "c");
  EXPECT_EQ(other.str(), "c");
}

TEST(list_box, selection_follows_clicks_keys_and_letters_and_scrolls_into_view) {
  ui_fixture f;
  list_box& l = f.root->add<list_box>("l", rect{0, 0, 120, 80}, f.style());
  std::vector<std::string> rows;
  for (int i = 0; i < 40; ++i) rows.push_back((i == 30 ? "Zebra " : "Row ") + std::to_string(i));
  l.set_rows(rows);
  int activated = -1;
  l.on_activate = [&](list_box&, int32_t r) { activated = r; };
  f.backend.click(f.window, mb::left, 20, 1 + l.row_height() * 2 + 2);
  EXPECT_EQ(l.selected(), 2);
  f.backend.press_key(f.window, k::down);
  EXPECT_EQ(l.selected(), 3);
  f.backend.press_key(f.window, k::end);
  EXPECT_EQ(l.selected(), 39);
  EXPECT_GE(39, l.first_visible());
  EXPECT_LT(39, l.first_visible() + l.visible_rows());
  f.backend.type(f.window, "z");
  EXPECT_EQ(l.selected(), 30);
  f.backend.press_key(f.window, k::enter);
  EXPECT_EQ(activated, 30);
  const int32_t first = l.first_visible();
  f.backend.wheel(f.window, 1.f, 20, 20);
  EXPECT_EQ(l.first_visible(), std::max(0, first - 3)) << "a notch scrolls three rows";
}

TEST(tabs, a_title_press_shows_its_page_and_hides_the_others) {
  ui_fixture f;
  tabs& t = f.root->add<tabs>("tabs", rect{0, 0, 180, 18}, rect{0, 20, 180, 150}, f.style(),
                              std::vector<std::string>{"Global", "Route", "Effect"});
  EXPECT_NE(t.find("Route tab"), nullptr);
  EXPECT_TRUE(t.page(0).visible());
  f.backend.click(f.window, mb::left, 90, 9);
  EXPECT_EQ(t.current(), 1);
  EXPECT_FALSE(t.page(0).visible());
  EXPECT_TRUE(t.page(1).visible());
}

}  // namespace
}  // namespace gui::testing
