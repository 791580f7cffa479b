// The right-click menu of the parameter controls: a right click without
// movement opens it (a right drag still adjusts finely), learn and forget go
// through the controller map, "Set to default" and "Enter value…" are single
// undo steps, and typed values are read as the display prints them (a
// frequency, a time, a choice of a drop-down).
#include <gtest/gtest.h>

#include "fx/effect.h"
#include "guilib/menu/menu_session.h"
#include "synth/routes.h"
#include "guilib/platform/keys.h"
#include "tests/editor/editor_fixture.h"

namespace editor_test {
namespace {

namespace cmd = plugin::command;
const std::string enter_value = "Enter value…";

struct editor_control_menu : ::testing::Test {
  editor_instance e;
  void SetUp() override { ASSERT_TRUE(e.open()); }

  gui::control& widget(int32_t index) { return *e.view().params[size_t(index)].widget; }
  float value(int32_t index) { return e.editor().port().read(index); }
  // The controller map entry of cc.
  int32_t mapped(int32_t cc) {
    plugin::command_args a;
    e.editor().port().send(cmd::cc_map, a);
    return static_cast<const platform::relaxed<int32_t>*>(a.pointer)[cc];
  }
  void send_cc(int cc, int v) { e.send_cc(cc, v); }
  // Opens the menu of a control, chooses "Enter value…" and types text + Enter.
  void type_value(int32_t index, const std::string& text) { type_into(widget(index), text, e.display(index)); }
  void type_into(gui::control& c, const std::string& text, const std::string& shown) {
    e.right_click(c.bounds());
    ASSERT_TRUE(e.choose_in_open_menu(enter_value));
    gui::control* field = e.root().focus();
    ASSERT_NE(field, nullptr) << "the field takes the keyboard";
    EXPECT_EQ(static_cast<gui::text*>(field)->str(), shown) << "it starts with the value as shown";
    e.backend().type(e.window(), text);
    e.backend().press_key(e.window(), wnd::key::enter);
    e.root().run_deferred();
    EXPECT_EQ(e.root().find("value entry"), nullptr) << "the field is gone";
  }
};

TEST_F(editor_control_menu, a_right_click_opens_the_menu_and_a_right_drag_still_adjusts_finely) {
  const int32_t f = synth::p::filter_frequency;
  const float f0 = value(f);
  e.right_click(widget(f).bounds());
  ASSERT_NE(e.open_menu(), nullptr);
  EXPECT_EQ(value(f), f0);
  const std::vector<std::string> items = e.open_menu_texts();
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0], "Automation: Frequency") << "the name the host lists the lane under";
  EXPECT_EQ(items[1], "Learn MIDI controller");
  EXPECT_EQ(items[2], "Set to default");
  EXPECT_EQ(items[3], enter_value);
  e.open_menu()->cancel();
  e.root().run_deferred();

  // A right drag moves the value at a tenth of the speed, and opens nothing.
  const gui::point c = widget(f).bounds().centre();
  e.backend().drag(e.window(), gui::mouse_button::right, c.x, c.y, c.x, c.y - 50);
  e.root().run_deferred();
  EXPECT_EQ(e.open_menu(), nullptr);
  const synth::param_info& row = synth::param_row(f);
  EXPECT_NEAR(value(f) - f0, 0.05f * (row.max - row.min), 0.01f * (row.max - row.min));

  // Globals have no host lane: no automation name.
  e.view().pages->show(0);
  e.right_click(widget(synth::p::unison_detune).bounds());
  ASSERT_NE(e.open_menu(), nullptr);
  EXPECT_EQ(e.open_menu_texts().front(), "Learn MIDI controller");
}

TEST_F(editor_control_menu, every_kind_of_control_opens_it) {
  for (int32_t index : {synth::p::filter_frequency, synth::p::filter_mode, synth::p::filter_trigger,
                        synth::p::osc_a_waveform, synth::p::osc_a_invert}) {
    SCOPED_TRACE(index);
    const float before = value(index);
    e.right_click(widget(index).bounds());
    ASSERT_NE(e.open_menu(), nullptr);
    EXPECT_EQ(value(index), before);
    e.open_menu()->cancel();
    e.root().run_deferred();
  }
}

TEST_F(editor_control_menu, learning_from_the_menu_maps_the_next_controller_and_forgetting_unmaps_it) {
  const int32_t f = synth::p::filter_frequency;
  e.right_click(widget(f).bounds());
  ASSERT_TRUE(e.choose_in_open_menu("Learn MIDI controller"));
  EXPECT_TRUE(e.sent_command(cmd::arm_learn));
  send_cc(74, 90);
  EXPECT_EQ(mapped(74), f);
  EXPECT_EQ(e.line(0), "Mapped Brightness (74)");

  e.right_click(widget(f).bounds());
  const std::vector<std::string> items = e.open_menu_texts();
  EXPECT_EQ(std::count(items.begin(), items.end(), "Learn MIDI controller"), 0);
  ASSERT_TRUE(e.choose_in_open_menu("Forget controller CC 74"));
  EXPECT_EQ(mapped(74), -1);
  EXPECT_EQ(e.line(0), "Forgot controller CC 74");
}

TEST_F(editor_control_menu, set_to_default_is_one_step_wrapped_for_the_host) {
  const int32_t f = synth::p::filter_frequency;
  e.drag(widget(f).bounds(), -30);
  const float moved = value(f);
  ASSERT_NE(moved, synth::param_row(f).def);
  e.host().edits.clear();
  e.right_click(widget(f).bounds());
  ASSERT_TRUE(e.choose_in_open_menu("Set to default"));
  EXPECT_NEAR(value(f), synth::param_row(f).def, 1e-4f);
  ASSERT_EQ(e.host().edits.size(), 3u);
  EXPECT_EQ(e.host().edits.front().first, audioMasterBeginEdit);
  EXPECT_EQ(e.host().edits.back().first, audioMasterEndEdit);
  e.editor().undo();
  EXPECT_EQ(value(f), moved);
}

TEST_F(editor_control_menu, typed_values_are_read_as_the_display_shows_them) {
  // A frequency, a time, and a choice of a drop-down.
  struct typed {
    int32_t index;
    const char* text;
  };
  for (const typed& t : {typed{synth::p::filter_frequency, "1.20 kHz"}, typed{synth::p::env_a_attack, "250 ms"},
                         typed{synth::p::filter_mode, "Low 24 dB"}}) {
    SCOPED_TRACE(t.text);
    type_value(t.index, t.text);
    EXPECT_EQ(e.display(t.index), t.text);
    EXPECT_EQ(e.line(1), t.text);
  }
  EXPECT_EQ(e.editor().history().undo_count(), 3u);
  e.editor().undo();
  EXPECT_NE(e.display(synth::p::filter_mode), "Low 24 dB");
}

TEST_F(editor_control_menu, route_depths_and_effect_parameters_take_defaults_and_typed_values) {
  e.view().pages->show(1);
  gui::knob& depth = *e.view().routes[0].depth;
  auto row0 = [&] {
    plugin::command_args a;
    a.index = 0;
    e.editor().port().send(cmd::route_row, a);
    return static_cast<const synth::route*>(a.pointer);
  };
  e.right_click(depth.bounds());
  EXPECT_EQ(e.open_menu_texts(), (std::vector<std::string>{"Set to default", enter_value})) << "no controller for a route";
  e.open_menu()->cancel();
  e.root().run_deferred();
  type_into(depth, "-0.50", "+0.00");
  EXPECT_FLOAT_EQ(row0()->depth, -0.5f);
  e.editor().undo();
  EXPECT_EQ(row0()->depth, 0.f);

  e.view().pages->show(2);
  gui::effect_row_view& slot = e.view().effects[0];
  ASSERT_TRUE(e.choose(*slot.effect, "Reverb"));
  e.click(slot.edit->bounds());
  plugin::command_args a;
  e.editor().port().send(cmd::effect_slot, a);
  auto* reverb = static_cast<fx::effect*>(a.pointer);
  ASSERT_NE(reverb, nullptr);
  gui::control& mix = *e.view().fx_edit.values[0];
  e.drag(mix.bounds(), -30);
  const float turned = reverb->value(0);
  char shown[64];
  reverb->format_value(0, shown, sizeof shown);
  e.right_click(mix.bounds());
  ASSERT_TRUE(e.choose_in_open_menu("Set to default"));
  EXPECT_EQ(reverb->value(0), reverb->desc(0).def);
  char at_default[64];
  reverb->format_value(0, at_default, sizeof at_default);
  type_into(mix, shown, at_default);
  char back[64];
  reverb->format_value(0, back, sizeof back);
  EXPECT_STREQ(back, shown);
  EXPECT_NEAR(reverb->value(0), turned, 0.02f * (reverb->desc(0).max - reverb->desc(0).min));
}

TEST_F(editor_control_menu, a_text_no_value_shows_is_refused_and_escape_keeps_the_value) {
  const int32_t f = synth::p::filter_frequency;
  const float f0 = value(f);
  type_value(f, "loud");
  EXPECT_EQ(value(f), f0);
  EXPECT_NE(e.line(0).find("no value shows as \"loud\""), std::string::npos) << e.line(0);
  EXPECT_EQ(e.editor().history().undo_count(), 0u);

  e.right_click(widget(f).bounds());
  ASSERT_TRUE(e.choose_in_open_menu(enter_value));
  e.backend().type(e.window(), "2.00 kHz");
  e.backend().press_key(e.window(), wnd::key::escape);
  e.root().run_deferred();
  EXPECT_EQ(value(f), f0);
  EXPECT_EQ(e.root().find("value entry"), nullptr);
}

}  // namespace
}  // namespace editor_test
