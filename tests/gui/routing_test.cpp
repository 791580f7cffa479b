// Mouse routing, capture and the window's input state, on the headless backend.
#include <gtest/gtest.h>

#include "guilib/platform/keys.h"
#include "tests/gui/ui_fixture.h"

namespace gui::testing {
namespace {

using mb = mouse_button;

TEST(events, names_cover_every_code_and_read_undefined_elsewhere) {
  EXPECT_STREQ(event_name(0), "destroy");
  EXPECT_STREQ(event_name(12), "mouse left down");
  EXPECT_STREQ(event_name(20), "mouse right double");
  EXPECT_STREQ(event_name(25), "timer");
  for (int32_t code : {1, 26, 1000, -1}) EXPECT_STREQ(event_name(code), "undefined message type") << code;
}

TEST(routing, a_press_on_the_last_column_and_row_hits_and_one_beyond_misses) {
  ui_fixture f;
  std::vector<std::string> log;
  f.root->add<probe>("a", rect{10, 10, 30, 20}, log);
  f.backend.click(f.window, mb::left, 29, 19);
  EXPECT_EQ(log.front(), "enter a");
  log.clear();
  f.backend.click(f.window, mb::left, 30, 19);
  f.backend.click(f.window, mb::left, 29, 20);
  EXPECT_TRUE(std::find(log.begin(), log.end(), "press a") == log.end());
}

TEST(routing, a_control_for_the_right_button_lets_a_left_press_through_to_the_one_below) {
  ui_fixture f;
  std::vector<std::string> log;
  f.root->add<probe>("below", rect{0, 0, 100, 100}, log);
  probe& top = f.root->add<probe>("top", rect{0, 0, 100, 100}, log);
  top.filter().left = false;
  top.filter().right = true;
  f.backend.mouse_down(f.window, mb::left, 50, 50);
  EXPECT_EQ(log, (std::vector<std::string>{"enter below", "press below"}));
  f.backend.mouse_up(f.window, mb::left, 50, 50);
  log.clear();
  f.backend.mouse_down(f.window, mb::right, 50, 50);
  EXPECT_EQ(log, (std::vector<std::string>{"enter top", "press top"}));
}

TEST(routing, a_double_click_only_control_waits_for_the_double_click) {
  ui_fixture f;
  std::vector<std::string> log;
  probe& p = f.root->add<probe>("p", rect{0, 0, 50, 50}, log);
  p.filter().double_only = true;
  f.backend.click(f.window, mb::left, 5, 5);
  EXPECT_TRUE(log.empty());
  f.backend.mouse_down(f.window, mb::left, 5, 5, true);
  EXPECT_EQ(log.back(), "press p");
}

TEST(routing, the_old_target_hears_leave_before_the_new_one_hears_enter) {
  ui_fixture f;
  std::vector<std::string> log;
  f.root->add<probe>("a", rect{0, 0, 20, 20}, log, press_code::handled);
  f.root->add<probe>("b", rect{20, 0, 40, 20}, log, press_code::handled);
  // Handled without capture: a stays the target until the next press finds b.
  f.backend.mouse_down(f.window, mb::left, 19, 5);
  f.backend.mouse_down(f.window, mb::right, 20, 5);
  EXPECT_EQ(log, (std::vector<std::string>{"enter a", "press a", "leave a", "enter b", "press b"}));
}

TEST(routing, capture_sends_every_move_to_the_target_until_release) {
  ui_fixture f;
  std::vector<std::string> log;
  f.root->add<probe>("a", rect{0, 0, 20, 20}, log);
  f.root->add<probe>("b", rect{100, 0, 120, 20}, log);
  f.backend.mouse_down(f.window, mb::left, 5, 5);
  EXPECT_TRUE(f.root->captured());
  EXPECT_TRUE(f.backend.captured(f.window));
  f.backend.mouse_move(f.window, 110, 5);    // over b
  f.backend.mouse_move(f.window, -50, 400);  // outside the window
  f.backend.mouse_up(f.window, mb::left, -50, 400);
  EXPECT_EQ(log, (std::vector<std::string>{"enter a", "press a", "move a", "move a", "release a", "leave a"}));
  EXPECT_FALSE(f.root->captured());
  EXPECT_FALSE(f.backend.captured(f.window));
  EXPECT_EQ(f.root->target(), nullptr);
}

TEST(routing, a_release_that_keeps_the_capture_holds_while_a_wanted_button_is_down) {
  ui_fixture f;
  std::vector<std::string> log;
  probe& p = f.root->add<probe>("p", rect{0, 0, 50, 50}, log);
  p.filter().right = true;
  p.set_keep(true);
  f.backend.mouse_down(f.window, mb::left, 5, 5);
  f.backend.mouse_down(f.window, mb::right, 5, 5);  // captured: straight to the target
  f.backend.mouse_up(f.window, mb::left, 5, 5);
  EXPECT_TRUE(f.root->captured()) << "the right button is still down and wanted";
  f.backend.mouse_up(f.window, mb::right, 5, 5);
  EXPECT_FALSE(f.root->captured());
}

TEST(routing, result_codes_decide_capture_and_whether_routing_goes_on) {
  struct expectation {
    int code;
    bool handled, captured, target_kept, below_pressed;
  };
  for (const expectation& x : {expectation{press_code::decline, false, false, false, false},
                               expectation{press_code::capture, true, true, true, false},
                               expectation{press_code::handled, true, false, true, false},
                               expectation{press_code::leave_and_capture, true, true, false, false},
                               expectation{7, false, false, false, true}}) {
    SCOPED_TRACE(x.code);
    ui_fixture f;
    std::vector<std::string> log;
    probe& below = f.root->add<probe>("below", rect{0, 0, 50, 50}, log, press_code::handled);
    probe& top = f.root->add<probe>("top", rect{0, 0, 50, 50}, log, x.code);
    event e;
    e.type = event_type::left_down;
    e.x = e.y = 10;
    e.input.left = 1;
    EXPECT_EQ(f.root->dispatch_mouse(e) || x.code == 7, x.handled || x.code == 7);
    EXPECT_EQ(f.root->captured(), x.captured);
    EXPECT_EQ(e.taken, x.captured);
    EXPECT_EQ(f.root->target() == &top, x.target_kept);
    EXPECT_EQ(std::count(log.begin(), log.end(), "press below"), x.below_pressed ? 1 : 0);
    if (x.code == 7) {
      EXPECT_EQ(f.root->target(), &below);
    }
  }
}

TEST(routing, capture_for_the_root_waits_for_every_button_to_come_up) {
  ui_fixture f;
  std::vector<std::string> log;
  f.root->add<probe>("p", rect{0, 0, 50, 50}, log, press_code::leave_and_capture);
  f.backend.mouse_down(f.window, mb::left, 5, 5);
  ASSERT_TRUE(f.root->captured());
  EXPECT_EQ(f.root->target(), nullptr);
  f.backend.mouse_down(f.window, mb::right, 100, 100);  // nothing there, a button still down
  EXPECT_TRUE(f.root->captured());
  f.backend.mouse_up(f.window, mb::right, 100, 100);
  f.backend.mouse_up(f.window, mb::left, 100, 100);
  f.backend.mouse_move(f.window, 100, 100);
  EXPECT_FALSE(f.root->captured());
  EXPECT_FALSE(f.backend.captured(f.window));
}

TEST(routing, the_wheel_tries_controls_under_the_pointer_until_one_takes_it) {
  ui_fixture f;
  std::vector<std::string> log;
  probe& below = f.root->add<probe>("below", rect{0, 0, 50, 50}, log);
  probe& top = f.root->add<probe>("top", rect{0, 0, 50, 50}, log);
  top.set_wheel_taken(false);
  f.backend.wheel(f.window, 1.f, 10, 10);
  EXPECT_EQ(log, (std::vector<std::string>{"enter top", "wheel top", "leave top", "enter below", "wheel below", "leave below"}));
  EXPECT_EQ(f.root->target(), nullptr);
  log.clear();
  below.set_acceptance(false, true);
  f.backend.wheel(f.window, 1.f, 10, 10);
  EXPECT_EQ(std::count(log.begin(), log.end(), "wheel below"), 0);
}

TEST(routing, a_hidden_or_removed_control_takes_nothing_and_leaves_no_dangling_target) {
  ui_fixture f;
  std::vector<std::string> log;
  container& page = f.root->add<container>("page", rect{0, 0, 100, 100});
  probe& p = page.add<probe>("p", rect{0, 0, 50, 50}, log);
  f.backend.mouse_down(f.window, mb::left, 5, 5);
  ASSERT_EQ(f.root->target(), &p);
  page.set_visible(false);
  EXPECT_EQ(f.root->target(), nullptr);
  EXPECT_FALSE(f.backend.captured(f.window));
  f.backend.mouse_up(f.window, mb::left, 5, 5);
  log.clear();
  f.backend.click(f.window, mb::left, 5, 5);
  EXPECT_TRUE(log.empty());
  page.set_visible(true);
  f.backend.mouse_down(f.window, mb::left, 5, 5);
  page.clear_children();
  f.backend.mouse_move(f.window, 6, 6);
  f.backend.mouse_up(f.window, mb::left, 6, 6);
  EXPECT_EQ(f.root->target(), nullptr);
}

TEST(input_state, buttons_double_clicks_and_modifiers_follow_the_messages) {
  ui_fixture f;
  std::vector<input_state> seen;
  f.window.callback = [&](event& e) { seen.push_back(e.input); };
  f.backend.mouse_down(f.window, mb::left, 1, 1);
  EXPECT_TRUE(seen.back().left);
  f.backend.mouse_down(f.window, mb::right, 1, 1, true);
  EXPECT_TRUE(seen.back().right && seen.back().double_click && seen.back().left);
  f.backend.mouse_up(f.window, mb::left, 1, 1);
  EXPECT_FALSE(seen.back().left);
  EXPECT_FALSE(seen.back().double_click) << "the next button event clears it";
  f.backend.key_down(f.window, wnd::key::ctrl);
  EXPECT_TRUE(seen.back().ctrl) << "set before the key event is sent";
  f.backend.key_up(f.window, wnd::key::ctrl);
  EXPECT_FALSE(seen.back().ctrl);
}

TEST(input_state, presses_close_in_time_and_place_make_a_double_click_and_a_third_starts_over) {
  wnd::click_counter c;
  EXPECT_FALSE(c.is_double(1000, 0, 10, 10));
  EXPECT_TRUE(c.is_double(1300, 0, 12, 11));
  EXPECT_FALSE(c.is_double(1400, 0, 12, 11));
  EXPECT_TRUE(c.is_double(1500, 0, 12, 11));
  EXPECT_FALSE(c.is_double(2500, 0, 12, 11)) << "too late";
  EXPECT_FALSE(c.is_double(2600, 2, 12, 11)) << "another button";
  EXPECT_FALSE(c.is_double(2700, 2, 30, 11)) << "too far";
}

TEST(keys, shift_two_gives_the_at_sign_and_function_keys_send_no_character) {
  ui_fixture f;
  std::vector<std::string> log;
  probe& p = f.root->add<probe>("p", rect{0, 0, 50, 50}, log, press_code::capture);
  f.backend.mouse_down(f.window, mb::left, 5, 5);  // the target receives keys
  f.backend.key_down(f.window, wnd::key::shift);
  f.backend.press_key(f.window, '2');
  f.backend.press_key(f.window, 'A');
  f.backend.key_up(f.window, wnd::key::shift);
  f.backend.press_key(f.window, 'A');
  f.backend.press_key(f.window, wnd::key::f1);
  f.backend.press_key(f.window, wnd::key::left);
  std::vector<std::string> chars;
  for (const std::string& s : log)
    if (s.rfind("char", 0) == 0) chars.push_back(s);
  EXPECT_EQ(chars, (std::vector<std::string>{"char @", "char A", "char a"}));
  EXPECT_EQ(std::count(log.begin(), log.end(), "key p " + std::to_string(wnd::key::f1)), 1);
  (void)p;
}

TEST(keys, the_us_shift_table_pairs_every_printable_key) {
  const std::string plain = " '0123456789,-./;=[\\]`abcdefghijklmnopqrstuvwxyz";
  const std::string shifted = " \")!@#$%^&*(<_>?:+{|}~ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  for (size_t i = 0; i < plain.size(); ++i) EXPECT_EQ(wnd::key::us_shifted(plain[i]), shifted[i]) << plain[i];
  EXPECT_EQ(wnd::key::character_for('\r', false), 0);
  EXPECT_EQ(wnd::key::character_for('Q', false), 'q');
}

TEST(timer, every_tick_reaches_the_owner) {
  ui_fixture f;
  int ticks = 0;
  f.root->on_timer = [&] { ++ticks; };
  f.backend.set_timer(f.window, 30);
  f.backend.advance(f.window, 100);
  EXPECT_EQ(ticks, 3);
  f.backend.set_timer(f.window, 0);
  f.backend.advance(f.window, 100);
  EXPECT_EQ(ticks, 3);
}

}  // namespace
}  // namespace gui::testing
