// Undo and redo as a user meets them: a drag, a burst of wheel steps, a route
// edit, an effect slot and an effect's parameter, a preset load and a bank
// operation are each one step; Ctrl+Z, Ctrl+Shift+Z, Ctrl+Y and the two
// arrows by the preset name step through them, and the instance (read back
// through the plug-in and the command channel) is exactly as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "editor/undo_history.h"
#include "fx/effect.h"
#include "guilib/platform/keys.h"
#include "synth/routes.h"
#include "tests/editor/editor_fixture.h"
#include "tests/support/scratch.h"

namespace editor_test {
namespace {

namespace fs = std::filesystem;
namespace cmd = plugin::command;
constexpr int32_t key_z = wnd::key::letter_a + ('Z' - 'A');
constexpr int32_t key_y = wnd::key::letter_a + ('Y' - 'A');

TEST(undo_history, keeps_the_newest_steps_and_a_new_edit_drops_what_could_be_redone) {
  gui::undo_history h;
  EXPECT_EQ(h.undo(), nullptr);
  for (int i = 0; i < 205; ++i) h.push({std::to_string(i), {}, {}});
  EXPECT_EQ(h.undo_count(), gui::undo_history::capacity);
  const gui::undo_step* s = h.undo();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->label, "204");
  EXPECT_EQ(h.undo()->label, "203");
  EXPECT_EQ(h.redo_count(), 2u);
  EXPECT_EQ(h.redo()->label, "203");
  h.push({"new", {}, {}});
  EXPECT_FALSE(h.can_redo());
  EXPECT_EQ(h.redo(), nullptr);
  // Undoing everything reaches the oldest kept step: 5 were dropped.
  std::string last;
  while (const gui::undo_step* u = h.undo()) last = u->label;
  EXPECT_EQ(last, "5");
}

struct editor_undo : ::testing::Test {
  editor_instance e;
  fs::path dir = test_support::make_scratch_dir("vorn-editor-undo");
  void SetUp() override { ASSERT_TRUE(e.open()); }
  void TearDown() override { fs::remove_all(dir); }

  gui::control& widget(int32_t index) { return *e.view().params[size_t(index)].widget; }
  float value(int32_t index) { return e.editor().port().read(index); }
  void drag_knob(int32_t index, int32_t dy) {
    const gui::point c = widget(index).bounds().centre();
    e.backend().mouse_down(e.window(), gui::mouse_button::left, c.x, c.y);
    for (int step = 1; step <= 4; ++step) e.backend().mouse_move(e.window(), c.x, c.y + dy * step / 4);
    e.backend().mouse_up(e.window(), gui::mouse_button::left, c.x, c.y + dy);
  }
  const synth::route& route(int row) {
    plugin::command_args a;
    a.index = row;
    e.editor().port().send(cmd::route_row, a);
    return *static_cast<const synth::route*>(a.pointer);
  }
  fx::effect* effect(int slot) {
    plugin::command_args a;
    a.index = slot;
    e.editor().port().send(cmd::effect_slot, a);
    return static_cast<fx::effect*>(a.pointer);
  }
};

TEST_F(editor_undo, a_drag_is_one_step_that_the_keys_undo_and_redo_exactly) {
  const int32_t f = synth::p::filter_frequency, r = synth::p::filter_resonance;
  const float f0 = value(f), r0 = value(r);
  drag_knob(f, -40);
  const float f1 = value(f);
  ASSERT_NE(f1, f0);
  drag_knob(r, -20);
  const float r1 = value(r);
  ASSERT_NE(r1, r0);
  EXPECT_EQ(e.editor().history().undo_count(), 2u) << "one step per drag, not per move";

  e.key(key_z, true);
  EXPECT_EQ(value(r), r0);
  EXPECT_EQ(value(f), f1);
  EXPECT_EQ(e.line(0), "Undo");
  EXPECT_EQ(e.line(1), "Filter Resonance");
  e.key(key_z, true);
  EXPECT_EQ(value(f), f0);
  EXPECT_FLOAT_EQ(widget(f).value(), f0) << "the knob follows";
  e.key(key_z, true);
  EXPECT_EQ(e.line(0), "Nothing to undo");

  e.key(key_z, true, true);  // Ctrl+Shift+Z
  EXPECT_EQ(value(f), f1);
  e.key(key_y, true);  // Ctrl+Y
  EXPECT_EQ(value(r), r1);
  EXPECT_EQ(e.line(0), "Redo");

  // A new edit after an undo leaves nothing to redo.
  e.key(key_z, true);
  drag_knob(synth::p::filter_frequency, 10);
  EXPECT_FALSE(e.editor().history().can_redo());
  e.key(key_y, true);
  EXPECT_EQ(e.line(0), "Nothing to redo");
}

TEST_F(editor_undo, a_wheel_burst_is_one_step_and_a_pause_starts_the_next) {
  const int32_t f = synth::p::filter_frequency;
  const float f0 = value(f);
  const gui::point c = widget(f).bounds().centre();
  for (int i = 0; i < 3; ++i) e.backend().wheel(e.window(), 1.f, c.x, c.y);
  const float f1 = value(f);
  ASSERT_GT(f1, f0);
  e.wait(40 * gui::synth_editor::wheel_quiet_ticks);  // the wheel rests
  EXPECT_EQ(e.editor().history().undo_count(), 1u);
  for (int i = 0; i < 2; ++i) e.backend().wheel(e.window(), 1.f, c.x, c.y);
  e.wait(40 * gui::synth_editor::wheel_quiet_ticks);
  EXPECT_EQ(e.editor().history().undo_count(), 2u);
  e.editor().undo();
  EXPECT_EQ(value(f), f1);
  e.editor().undo();
  EXPECT_EQ(value(f), f0);
}

// A shell whose engine is elsewhere (the LV2 UI's mirror) sends the state on
// each announced edit: effect values (set through the slot's effect, not a
// command) and their undo are announced, a host parameter's drag is not.
TEST_F(editor_undo, effect_values_and_undo_are_announced_as_state_edits_a_host_parameter_drag_is_not) {
  drag_knob(synth::p::filter_frequency, -40);
  EXPECT_EQ(e.host().state_edits, 0);
  e.view().pages->show(2);
  gui::effect_row_view& slot = e.view().effects[0];
  ASSERT_TRUE(e.choose(*slot.effect, "Reverb"));
  e.click(slot.edit->bounds());
  ASSERT_NE(effect(0), nullptr);
  const int after_slot = e.host().state_edits;
  EXPECT_GE(after_slot, 1);
  e.drag(e.view().fx_edit.values[0]->bounds(), -40);
  EXPECT_EQ(e.host().state_edits, after_slot + 1) << "one announcement per gesture";
  e.editor().undo();
  EXPECT_EQ(e.host().state_edits, after_slot + 2);
  const int before_param_undo = e.host().state_edits;
  e.editor().undo();  // the slot
  e.editor().undo();  // the filter drag: a host parameter
  EXPECT_EQ(e.host().state_edits, before_param_undo + 1);
}

TEST_F(editor_undo, route_edits_effect_slots_and_effect_parameters_come_back) {
  e.view().pages->show(1);
  gui::route_row_view& row = e.view().routes[2];
  ASSERT_TRUE(e.choose(*row.source, "Velocity"));
  ASSERT_TRUE(e.choose(*row.destination, "Filter>Filter Frequency"));
  EXPECT_EQ(route(2).dest_index, synth::p::filter_frequency);
  e.editor().undo();
  EXPECT_EQ(route(2).dest_class, 0) << "the destination choice undone";
  EXPECT_EQ(route(2).source_class, 2) << "the source choice stays";
  EXPECT_EQ(row.destination->shown_text(), "-");
  e.editor().redo();
  EXPECT_EQ(route(2).dest_index, synth::p::filter_frequency);
  EXPECT_EQ(row.destination->shown_text(), "Flt Freq");

  e.view().pages->show(2);
  gui::effect_row_view& slot = e.view().effects[0];
  ASSERT_TRUE(e.choose(*slot.effect, "Reverb"));
  e.click(slot.edit->bounds());
  ASSERT_NE(effect(0), nullptr);
  const float mix = effect(0)->value(0);
  e.drag(e.view().fx_edit.values[0]->bounds(), -40);
  ASSERT_GT(effect(0)->value(0), mix);
  const size_t steps = e.editor().history().undo_count();
  e.editor().undo();
  EXPECT_EQ(effect(0)->value(0), mix);
  e.editor().undo();
  EXPECT_EQ(effect(0), nullptr) << "the slot is empty again";
  EXPECT_EQ(slot.name, "-");
  e.editor().redo();
  e.editor().redo();
  ASSERT_NE(effect(0), nullptr);
  EXPECT_STREQ(effect(0)->name(), "Reverb");
  EXPECT_GT(effect(0)->value(0), mix);
  EXPECT_EQ(e.editor().history().undo_count(), steps);
}

TEST_F(editor_undo, undoing_a_preset_load_restores_the_program_as_it_was) {
  const std::string path = (dir / "bright.vornpreset").string();
  const int32_t f = synth::p::filter_frequency;
  // A file with a bright sound and its own name.
  e.effect()->setParameter(e.effect(), f, 0.9f);
  plugin::command_args n;
  n.index = -1;
  n.text = "Bright";
  e.editor().port().send(cmd::set_preset_name, n);
  plugin::command_args save;
  save.text = path.c_str();
  e.editor().port().send(cmd::save_preset, save);
  ASSERT_TRUE(save.result.empty() || save.result.rfind("Saved", 0) == 0 || save.result.rfind("saved", 0) == 0)
      << save.result;
  // The program as the user has it before the load.
  e.effect()->setParameter(e.effect(), f, 0.2f);
  e.effect()->setParameter(e.effect(), synth::p::osc_a_waveform, 0.99f);
  n.text = "Mine";
  e.editor().port().send(cmd::set_preset_name, n);
  e.wait();
  const std::vector<float> mine = e.all_parameters();

  ASSERT_TRUE(e.choose(*e.view().main_menu, "Load>Preset"));
  ASSERT_TRUE(e.answer_file(path));
  EXPECT_EQ(e.line(0), "Loaded preset");
  EXPECT_EQ(e.editor().port().preset_name(), "Bright");
  EXPECT_NEAR(e.get(f), 0.9f, 1e-5f);
  const std::vector<float> loaded = e.all_parameters();
  ASSERT_NE(loaded, mine);

  e.click(e.view().undo_arrow->bounds());
  EXPECT_EQ(e.all_parameters(), mine);
  EXPECT_EQ(e.editor().port().preset_name(), "Mine");
  EXPECT_EQ(e.view().name->str(), "Mine");
  EXPECT_EQ(e.line(1), "Load preset");
  e.click(e.view().redo_arrow->bounds());
  EXPECT_EQ(e.all_parameters(), loaded);
  EXPECT_EQ(e.editor().port().preset_name(), "Bright");
}

TEST_F(editor_undo, a_bank_operation_and_a_randomisation_are_single_steps) {
  const std::string slot5 = e.editor().port().preset_name(5);
  ASSERT_TRUE(e.choose(*e.view().main_menu, "Bank>Rename>GM Drums", true));
  ASSERT_TRUE(e.answer_message(true));
  ASSERT_NE(e.editor().port().preset_name(5), slot5);
  const std::vector<float> before = e.all_parameters();
  ASSERT_TRUE(e.choose(*e.view().main_menu, "Randomize>Preset"));
  ASSERT_NE(e.all_parameters(), before);
  EXPECT_EQ(e.editor().history().undo_count(), 2u);
  e.editor().undo();
  EXPECT_EQ(e.all_parameters(), before);
  e.editor().undo();
  EXPECT_EQ(e.editor().port().preset_name(5), slot5);
}

TEST_F(editor_undo, the_arrows_show_when_there_is_something_to_step_to) {
  EXPECT_FALSE(e.view().undo_arrow->enabled());
  EXPECT_FALSE(e.view().redo_arrow->enabled());
  drag_knob(synth::p::filter_frequency, -30);
  EXPECT_TRUE(e.view().undo_arrow->enabled());
  EXPECT_FALSE(e.view().redo_arrow->enabled());
  e.click(e.view().undo_arrow->bounds());
  EXPECT_FALSE(e.view().undo_arrow->enabled());
  EXPECT_TRUE(e.view().redo_arrow->enabled());
  // The history outlives a new size of the window (the view is made again).
  e.editor().set_scale(1.5f);
  e.wait();
  EXPECT_TRUE(e.view().redo_arrow->enabled());
}

TEST_F(editor_undo, undoing_a_host_parameter_tells_the_host_between_a_begin_and_an_end) {
  drag_knob(synth::p::filter_frequency, -30);
  e.host().edits.clear();
  e.editor().undo();
  ASSERT_EQ(e.host().edits.size(), 3u);
  EXPECT_EQ(e.host().edits[0], std::make_pair(int32_t(audioMasterBeginEdit), int32_t(synth::p::filter_frequency)));
  EXPECT_EQ(e.host().edits[1], std::make_pair(int32_t(audioMasterAutomate), int32_t(synth::p::filter_frequency)));
  EXPECT_EQ(e.host().edits[2], std::make_pair(int32_t(audioMasterEndEdit), int32_t(synth::p::filter_frequency)));
}

}  // namespace
}  // namespace editor_test
