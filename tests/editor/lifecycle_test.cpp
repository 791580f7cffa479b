// The editor's life in its instance: opened and closed many times, with the
// engine lock held elsewhere, its look carried in the instance state, drawn
// off-screen for the screenshot tool, and pages that edit routes and effect
// slots.
#include <gtest/gtest.h>

#include <malloc.h>

#include "editor/layout.h"
#include "fx/effect.h"
#include "guilib/style/palette.h"
#include "guilib/widgets/knob.h"
#include "synth/routes.h"
#include "tests/editor/editor_fixture.h"

namespace editor_test {
namespace {

namespace cmd = plugin::command;

size_t heap_in_use() { return mallinfo2().uordblks; }

TEST(editor_lifecycle, opening_and_closing_a_hundred_times_leaves_nothing_behind) {
  editor_instance e;
  // The first opening fills the process-wide caches (fonts at the scale,
  // knob strips, menu tables); later ones must not grow anything.
  ASSERT_TRUE(e.open());
  e.close();
  const size_t before = heap_in_use();
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(e.open());
    e.wait();
    EXPECT_TRUE(e.editor().is_open());
    e.close();
    EXPECT_FALSE(e.editor().is_open());
    EXPECT_EQ(e.editor().root(), nullptr);
  }
  EXPECT_LE(heap_in_use(), before + 4096) << "bytes still held after 100 openings";
  // Closing twice, or without opening, is harmless; idle while closed does nothing.
  e.close();
  e.dispatch(effEditIdle);
}

TEST(editor_state, the_look_travels_in_the_instance_state_and_sizes_the_window) {
  std::vector<uint8_t> state;
  {
    editor_instance e;
    ASSERT_TRUE(e.open());
    ASSERT_TRUE(e.choose(*e.view().look_menu, "Size>1.5X (1143 x 774)"));
    ASSERT_TRUE(e.choose(*e.view().look_menu, "Colour>Sky"));
    e.wait();
    EXPECT_EQ(e.editor().background(), 7);
    void* data = nullptr;
    const intptr_t size = e.dispatch(effGetChunk, 0, 0, &data);
    ASSERT_GT(size, 0);
    state.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
  }
  editor_instance f;
  EXPECT_EQ(f.editor().scale(), 1.f);
  f.dispatch(effSetChunk, 0, intptr_t(state.size()), state.data());
  EXPECT_EQ(f.editor().scale(), 1.5f);
  EXPECT_EQ(f.editor().background(), 7);
  ERect* rect = nullptr;
  f.dispatch(effEditGetRect, 0, 0, &rect);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->right, 1143);
  EXPECT_EQ(rect->bottom, 774);
  // An open editor follows a state loaded under it at its next tick.
  ASSERT_TRUE(f.open());
  EXPECT_EQ(f.window().width, 1143);
  f.dispatch(effSetChunk, 0, intptr_t(state.size()), state.data());
  f.wait();
  EXPECT_EQ(f.window().width, 1143);
}

TEST(editor_state, a_host_content_scale_multiplies_the_users_choice) {
  editor_instance e;
  ASSERT_TRUE(e.open());
  const int32_t pres = 0x50726553, aecs = 0x41654373;  // 'PreS', 'AeCs'
  EXPECT_EQ(e.dispatch(effVendorSpecific, pres, aecs, nullptr, 2.f), 1);
  e.wait();
  EXPECT_EQ(e.window().width, 1524);
  ASSERT_FALSE(e.host().window_sizes.empty());
  EXPECT_EQ(e.host().window_sizes.back(), std::make_pair(1524, 1032));
  EXPECT_EQ(e.editor().scale(), 1.f) << "the saved scale stays the user's";
}

TEST(editor_shot, drawn_off_screen_at_a_scale_with_the_instance_values) {
  editor_instance e;
  e.effect()->setParameter(e.effect(), synth::p::filter_frequency, 1.f);
  int32_t w = 0, h = 0;
  ASSERT_TRUE(e.editor().draw_offscreen(2.f, 0, nullptr, 0, w, h));
  EXPECT_EQ(w, 1524);
  EXPECT_EQ(h, 1032);
  std::vector<uint32_t> too_small(16);
  EXPECT_FALSE(e.editor().draw_offscreen(2.f, 0, too_small.data(), too_small.size(), w, h));
  std::vector<uint32_t> px(size_t(w) * size_t(h));
  ASSERT_TRUE(e.editor().draw_offscreen(2.f, 0, px.data(), px.size(), w, h));
  // The cutoff knob at full value shows the accent along its arc: count it.
  const gui::rect dial = gui::layout::control_rect(*gui::layout::control_of(synth::p::filter_frequency), 2.f);
  int accent = 0, total = 0;
  for (int32_t y = dial.y1; y < dial.y2; ++y)
    for (int32_t x = dial.x1; x < dial.x2; ++x, ++total) {
      const uint32_t p = px[size_t(y) * size_t(w) + size_t(x)];
      accent += ((p >> 16) & 255) > 200 && ((p >> 8) & 255) > 120 && (p & 255) < 90;
    }
  EXPECT_GT(accent, total / 20);
  EXPECT_EQ(e.editor().root(), nullptr) << "drawing off-screen opens no window";
}

TEST(editor_shot, a_chosen_page_changes_only_the_tab_area) {
  editor_instance e;
  int32_t w = 0, h = 0;
  ASSERT_TRUE(e.editor().draw_offscreen(1.f, 0, nullptr, 0, w, h));
  std::vector<uint32_t> global(size_t(w) * size_t(h)), route(global.size()), beyond(global.size());
  ASSERT_TRUE(e.editor().draw_offscreen(1.f, 0, global.data(), global.size(), w, h));
  ASSERT_TRUE(e.editor().draw_offscreen(1.f, 1, route.data(), route.size(), w, h));
  ASSERT_TRUE(e.editor().draw_offscreen(1.f, 7, beyond.data(), beyond.size(), w, h));
  const gui::rect area = gui::layout::section_rect(gui::layout::tab_area, 1.f);
  int inside = 0, outside = 0;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const size_t i = size_t(y) * size_t(w) + size_t(x);
      if (global[i] == route[i]) continue;
      (area.contains(x, y) ? inside : outside)++;
    }
  EXPECT_GT(inside, 1000) << "the Route page's rows replace the Global page's controls";
  EXPECT_EQ(outside, 0);
  EXPECT_NE(beyond, global) << "a page past the last shows the last (Effect)";
  EXPECT_NE(beyond, route);
}

struct editor_pages : ::testing::Test {
  editor_instance e;
  void SetUp() override { ASSERT_TRUE(e.open()); }
  const synth::route& route(int row) {
    plugin::command_args a;
    a.index = row;
    e.editor().port().send(cmd::route_row, a);
    return *static_cast<const synth::route*>(a.pointer);
  }
};

TEST_F(editor_pages, route_rows_edit_the_engine_routes) {
  e.view().pages->show(1);
  gui::route_row_view& r = e.view().routes[3];
  ASSERT_TRUE(e.choose(*r.source, "Velocity"));
  ASSERT_TRUE(e.choose(*r.destination, "Filter>Filter Frequency"));
  ASSERT_TRUE(e.choose(*r.mode, "Multiply"));
  e.drag(r.depth->bounds(), -45);  // the depth knob turned up most of the way
  const synth::route& row = route(3);
  EXPECT_EQ(row.source_class, 2);
  EXPECT_EQ(row.source_index, 1);
  EXPECT_EQ(row.dest_class, 1);
  EXPECT_EQ(row.dest_index, synth::p::filter_frequency);
  EXPECT_EQ(row.mode, 1);
  EXPECT_GT(row.depth, 0.8f);
  EXPECT_TRUE(row.in_use());
  EXPECT_EQ(r.destination->shown_text(), "Flt Freq");
  ASSERT_TRUE(e.choose(*r.source, "CC>Modulation"));
  EXPECT_EQ(route(3).source_class, 3);
  EXPECT_EQ(route(3).source_index, 1);
  EXPECT_EQ(r.source->shown_text(), "CC 1");
}

TEST_F(editor_pages, effect_slots_fill_and_their_parameters_open_over_the_page) {
  e.view().pages->show(2);
  gui::effect_row_view& slot = e.view().effects[1];
  EXPECT_FALSE(slot.edit->enabled());
  ASSERT_TRUE(e.choose(*slot.effect, "Reverb"));
  EXPECT_EQ(slot.name, "Reverb");
  EXPECT_TRUE(slot.edit->enabled());
  EXPECT_EQ(slot.effect->shown_text(), "Reverb");

  e.click(slot.edit->bounds());
  gui::effect_edit_view& fx = e.view().fx_edit;
  ASSERT_TRUE(fx.panel->shown());
  plugin::command_args a;
  a.index = 1;
  e.editor().port().send(cmd::effect_slot, a);
  auto* reverb = static_cast<fx::effect*>(a.pointer);
  ASSERT_NE(reverb, nullptr);
  ASSERT_EQ(int32_t(fx.values.size()), reverb->param_count());
  // The first knob (the mix) turned up changes that value of the effect.
  const float mix = reverb->value(0);
  e.drag(fx.values[0]->bounds(), -40);
  EXPECT_GT(reverb->value(0), mix);
  EXPECT_EQ(e.line(0), "Reverb Mix");

  // Replacing the effect under the open view makes the view again.
  ASSERT_TRUE(e.choose(*slot.effect, "Phaser"));
  e.wait();
  EXPECT_NE(fx.title->str().find("Phaser"), std::string::npos);
  e.click(fx.close->bounds());
  EXPECT_FALSE(fx.panel->shown());
  ASSERT_TRUE(e.choose(*slot.effect, "-"));
  EXPECT_FALSE(slot.edit->enabled());
}

TEST_F(editor_pages, switches_and_the_saw_count_go_through_their_commands) {
  e.view().pages->show(0);
  gui::slider& dc = *e.view().switches[5];
  const bool was = dc.value() > 0.5f;
  e.click_at(was ? dc.bounds().x1 + 1 : dc.bounds().x2 - 2, dc.bounds().centre().y);
  EXPECT_EQ(e.editor().port().send(cmd::read_switch, 5) != 0, !was);
  EXPECT_EQ(e.line(0), "Highpass filter output");
  EXPECT_EQ(e.line(1), was ? "Disabled" : "Enabled");
  e.drag(e.view().saws->bounds(), 30);
  EXPECT_LT(e.editor().port().send(cmd::saw_count), 16);
  EXPECT_EQ(e.line(0), "Oscillator unison count");
}

}  // namespace
}  // namespace editor_test
