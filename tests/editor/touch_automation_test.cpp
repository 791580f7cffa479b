// Touch automation: every gesture on a host parameter reaches the host as
// audioMasterBeginEdit, the gesture's audioMasterAutomate calls, and
// audioMasterEndEdit, in that order and paired, through the instance's own
// host callback. Globals, which hosts do not automate, send none of them.
#include <gtest/gtest.h>

#include "guilib/platform/keys.h"
#include "tests/editor/editor_fixture.h"

namespace editor_test {
namespace {

using edit_log = std::vector<std::pair<int32_t, int32_t>>;

// The log holds exactly one gesture on index: a begin, at least one
// automation, an end, and nothing else.
::testing::AssertionResult one_gesture(const edit_log& log, int32_t index) {
  auto fail = [&](const std::string& why) {
    std::string seen;
    for (const auto& [op, i] : log) seen += " " + std::to_string(op) + ":" + std::to_string(i);
    return ::testing::AssertionFailure() << why << "; sent" << seen;
  };
  if (log.size() < 3) return fail("too few messages");
  if (log.front() != std::make_pair(int32_t(audioMasterBeginEdit), index)) return fail("no begin first");
  if (log.back() != std::make_pair(int32_t(audioMasterEndEdit), index)) return fail("no end last");
  for (size_t k = 1; k + 1 < log.size(); ++k)
    if (log[k] != std::make_pair(int32_t(audioMasterAutomate), index)) return fail("not only automation between");
  return ::testing::AssertionSuccess();
}

struct editor_touch : ::testing::Test {
  editor_instance e;
  void SetUp() override {
    ASSERT_TRUE(e.open());
    e.host().edits.clear();
  }
  gui::control& widget(int32_t index) { return *e.view().params[size_t(index)].widget; }
};

TEST_F(editor_touch, a_drag_begins_at_the_press_and_ends_at_the_release) {
  const int32_t f = synth::p::filter_frequency;
  const gui::point c = widget(f).bounds().centre();
  e.backend().mouse_down(e.window(), gui::mouse_button::left, c.x, c.y);
  ASSERT_EQ(e.host().edits.size(), 1u) << "the host knows of the touch before anything moves";
  for (int step = 1; step <= 5; ++step) e.backend().mouse_move(e.window(), c.x, c.y - 6 * step);
  ASSERT_FALSE(e.host().edits.empty());
  EXPECT_EQ(e.host().edits.back().first, audioMasterAutomate) << "no end while the button is held";
  e.backend().mouse_up(e.window(), gui::mouse_button::left, c.x, c.y - 30);
  EXPECT_TRUE(one_gesture(e.host().edits, f));
  EXPECT_EQ(e.host().edits.size(), 7u);
}

TEST_F(editor_touch, a_wheel_burst_ends_when_the_wheel_rests_or_another_gesture_starts) {
  const int32_t f = synth::p::filter_frequency, q = synth::p::filter_resonance;
  const gui::point c = widget(f).bounds().centre();
  for (int i = 0; i < 4; ++i) e.backend().wheel(e.window(), 1.f, c.x, c.y);
  ASSERT_FALSE(e.host().edits.empty());
  EXPECT_EQ(e.host().edits.back().first, audioMasterAutomate) << "still turning";
  e.wait(40 * gui::synth_editor::wheel_quiet_ticks);
  EXPECT_TRUE(one_gesture(e.host().edits, f));
  EXPECT_EQ(e.host().edits.size(), 6u);

  e.host().edits.clear();
  e.backend().wheel(e.window(), -1.f, c.x, c.y);
  const size_t first = e.host().edits.size();
  e.drag(widget(q).bounds(), -20);
  const edit_log log = e.host().edits;
  EXPECT_TRUE(one_gesture(edit_log(log.begin(), log.begin() + long(first) + 1), f)) << "the wheel's end comes first";
  EXPECT_TRUE(one_gesture(edit_log(log.begin() + long(first) + 1, log.end()), q));
}

TEST_F(editor_touch, menu_choices_steps_and_typed_values_are_gestures_of_their_own) {
  const int32_t mode = synth::p::filter_mode;
  ASSERT_TRUE(e.move_control(mode));  // a drop-down's menu
  EXPECT_TRUE(one_gesture(e.host().edits, mode));

  e.host().edits.clear();
  ASSERT_TRUE(e.move_control(synth::p::filter_trigger));  // a stepper's arrow
  EXPECT_TRUE(one_gesture(e.host().edits, synth::p::filter_trigger));

  e.host().edits.clear();
  ASSERT_TRUE(e.move_control(synth::p::osc_a_invert));  // a switch
  EXPECT_TRUE(one_gesture(e.host().edits, synth::p::osc_a_invert));

  e.host().edits.clear();
  e.right_click(widget(synth::p::osc_a_invert).bounds());
  EXPECT_TRUE(e.host().edits.empty()) << "opening a switch's menu touches nothing";
  ASSERT_NE(e.open_menu(), nullptr);
  e.open_menu()->cancel();
  e.root().run_deferred();
  e.right_click(widget(synth::p::filter_resonance).bounds());
  EXPECT_TRUE(e.host().edits.empty()) << "opening the menu touches nothing";
  ASSERT_TRUE(e.choose_in_open_menu("Enter value…"));
  e.backend().type(e.window(), "50%");
  e.backend().press_key(e.window(), wnd::key::enter);
  e.root().run_deferred();
  EXPECT_TRUE(one_gesture(e.host().edits, synth::p::filter_resonance));
}

TEST_F(editor_touch, globals_send_no_automation_messages) {
  e.view().pages->show(0);
  e.drag(widget(synth::p::unison_detune).bounds(), -20);
  ASSERT_NE(e.line(0), "");
  EXPECT_TRUE(e.host().edits.empty());
}

}  // namespace
}  // namespace editor_test
