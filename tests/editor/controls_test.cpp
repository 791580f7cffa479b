// The parameter controls of the editor, driven with the mouse through the
// headless window layer and read back through the plug-in's getParameter:
// every index 0..105 has its control, moving it changes that parameter and
// no other, the control shows the display text, and a host's change shows
// after the next tick. The layout keeps every control inside its section,
// clear of the others, at every scale of the scale menu.
#include <gtest/gtest.h>

#include "editor/layout.h"
#include "guilib/menu/menu_session.h"
#include "guilib/style/color_presets.h"
#include "guilib/widgets/knob.h"
#include "tests/editor/editor_fixture.h"

namespace editor_test {
namespace {

using gui::layout::kind;

constexpr float menu_scales[] = {0.5f, 0.75f, 1.f, 1.25f, 1.5f, 2.f};

bool is_global_page(const gui::layout::control_place& c) { return std::string(c.section) == "global"; }

TEST(editor_layout, every_parameter_has_one_row_inside_its_section_and_the_window_at_every_scale) {
  std::vector<int> seen(synth::param_count, 0);
  for (const gui::layout::control_place& c : gui::layout::controls()) ++seen[size_t(c.index)];
  for (int i = 0; i < synth::param_count; ++i) EXPECT_EQ(seen[size_t(i)], 1) << "parameter " << i;

  for (float s : menu_scales) {
    SCOPED_TRACE(s);
    const gui::rect window{0, 0, gui::layout::width_at(s), gui::layout::height_at(s)};
    for (const gui::layout::control_place& c : gui::layout::controls()) {
      const gui::rect r = gui::layout::control_rect(c, s);
      const gui::layout::section_place& sec =
          is_global_page(c) ? *gui::layout::section("global") : *gui::layout::section(c.section);
      const gui::rect area = gui::layout::section_rect(sec, s);
      EXPECT_EQ(gui::intersection(r, area), r) << "parameter " << c.index << " leaves " << sec.name;
      EXPECT_EQ(gui::intersection(r, window), r) << "parameter " << c.index;
    }
  }
}

TEST(editor_layout, no_two_controls_overlap) {
  const auto all = gui::layout::controls();
  for (size_t a = 0; a < all.size(); ++a)
    for (size_t b = a + 1; b < all.size(); ++b) {
      const gui::rect ra = gui::layout::control_rect(all[a], 1.f), rb = gui::layout::control_rect(all[b], 1.f);
      EXPECT_FALSE(gui::overlaps(ra, rb)) << all[a].index << " and " << all[b].index;
    }
}

TEST(editor_layout, the_scale_choices_give_the_listed_window_sizes) {
  const std::pair<int32_t, int32_t> listed[] = {{381, 258}, {571, 387}, {762, 516}, {952, 645}, {1143, 774}, {1524, 1032}};
  for (int32_t v = -2; v <= 3; ++v) {
    const float s = gui::scale_of_choice(v);
    EXPECT_EQ(gui::layout::width_at(s), listed[v + 2].first);
    EXPECT_EQ(gui::layout::height_at(s), listed[v + 2].second);
    EXPECT_EQ(gui::choice_of_scale(s), v);
  }
}

struct editor_controls : ::testing::Test {
  editor_instance e;
  void SetUp() override { ASSERT_TRUE(e.open()); }
  // The page of a Global control is shown first; others are always shown.
  void show_page_of(int32_t index) {
    if (is_global_page(*gui::layout::control_of(index))) e.view().pages->show(0);
  }
};

TEST_F(editor_controls, every_index_reaches_a_shown_control_that_carries_it) {
  for (int32_t i = 0; i < synth::param_count; ++i) {
    SCOPED_TRACE(i);
    gui::bound_control& b = e.view().params[size_t(i)];
    ASSERT_NE(b.widget, nullptr);
    EXPECT_EQ(b.index, i);
    EXPECT_EQ(b.widget->user_value(), i);
    show_page_of(i);
    EXPECT_TRUE(b.widget->shown());
    EXPECT_EQ(b.widget->root(), &e.root());
  }
}

TEST_F(editor_controls, moving_a_control_changes_exactly_its_parameter_and_shows_its_display_text) {
  for (int32_t i = 0; i < synth::param_count; ++i) {
    SCOPED_TRACE(i);
    show_page_of(i);
    const std::vector<float> before = e.all_parameters();
    ASSERT_TRUE(e.move_control(i));
    const std::vector<float> after = e.all_parameters();
    for (int32_t k = 0; k < synth::param_count; ++k) {
      if (k == i) {
        EXPECT_NE(after[size_t(k)], before[size_t(k)]) << "the moved parameter kept its value";
      } else {
        EXPECT_EQ(after[size_t(k)], before[size_t(k)]) << "parameter " << k << " moved too";
      }
    }
    gui::bound_control& b = e.view().params[size_t(i)];
    EXPECT_EQ(gui::shown_text(b).empty() ? e.display(i) : gui::shown_text(b), e.display(i));
    EXPECT_EQ(e.line(1), e.display(i));
  }
}

TEST_F(editor_controls, a_turned_knob_shows_its_display_text_in_its_label_and_the_host_hears_of_it) {
  gui::bound_control& b = e.view().params[synth::p::filter_frequency];
  auto& k = static_cast<gui::knob&>(*b.widget);
  EXPECT_EQ(k.label().str(), "Cutoff");
  const gui::point c = k.bounds().centre();
  e.backend().mouse_down(e.window(), gui::mouse_button::left, c.x, c.y);
  e.backend().mouse_move(e.window(), c.x, c.y - 25);
  EXPECT_EQ(k.label().str(), e.display(synth::p::filter_frequency));
  e.backend().mouse_up(e.window(), gui::mouse_button::left, c.x, c.y - 25);
  ASSERT_FALSE(e.host().automated.empty());
  EXPECT_EQ(e.host().automated.back().first, synth::p::filter_frequency);
  EXPECT_FLOAT_EQ(e.host().automated.back().second, e.get(synth::p::filter_frequency));
  EXPECT_EQ(e.line(0), "Filter Frequency");
}

TEST_F(editor_controls, globals_are_written_through_the_command_channel_not_the_host) {
  e.view().pages->show(0);
  e.host().automated.clear();
  ASSERT_TRUE(e.move_control(synth::p::unison_detune));
  EXPECT_TRUE(e.host().automated.empty());
  EXPECT_TRUE(e.sent_command(plugin::command::write_param));
}

TEST_F(editor_controls, a_host_change_reaches_the_control_at_the_next_tick) {
  struct change {
    int32_t index;
    float normalised;
  };
  const change changes[] = {{synth::p::filter_frequency, 0.9f}, {synth::p::osc_a_waveform, 0.5f},
                            {synth::p::filter_mode, 0.3f},      {synth::p::osc_a_invert, 1.f},
                            {synth::p::mod_b_bias, 0.f},        {synth::p::volume, 0.2f}};
  for (const change& c : changes) {
    SCOPED_TRACE(c.index);
    e.effect()->setParameter(e.effect(), c.index, c.normalised);
    e.wait();
    const float internal = synth::to_internal(c.index, c.normalised);
    EXPECT_FLOAT_EQ(e.view().params[size_t(c.index)].widget->value(), internal);
  }
  // A program change: every control follows.
  e.dispatch(effSetProgram, 0, 5);
  e.wait();
  for (int32_t i = 0; i < synth::preset_param_count; ++i)
    EXPECT_FLOAT_EQ(e.view().params[size_t(i)].widget->normalised(), e.get(i)) << i;
  EXPECT_EQ(e.view().program->value(), 5.f);
}

TEST_F(editor_controls, the_scale_menu_resizes_the_window_and_tells_the_host) {
  // Half size is not offered (its labels cannot fit); the menu starts at 3/4.
  const char* items[] = {nullptr, "3/4", "Original (762 x 516)", "1.25X (952 x 645)", "1.5X (1143 x 774)", "2X (1524 x 1032)"};
  EXPECT_FALSE(e.choose(*e.view().look_menu, "Size>1/2"));
  e.editor().set_scale(0.5f);  // a stored half size
  EXPECT_EQ(e.editor().scale(), 0.75f);
  for (int32_t v = 1; v < 6; ++v) {
    SCOPED_TRACE(items[v]);
    ASSERT_TRUE(e.choose(*e.view().look_menu, std::string("Size>") + items[v]));
    e.wait();
    const int32_t w = gui::layout::width_at(gui::scale_of_choice(v - 2)), h = gui::layout::height_at(gui::scale_of_choice(v - 2));
    EXPECT_EQ(e.window().width, w);
    EXPECT_EQ(e.window().height, h);
    ERect* rect = nullptr;
    e.dispatch(effEditGetRect, 0, 0, &rect);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right, w);
    EXPECT_EQ(rect->bottom, h);
    if (v != 2) {
      ASSERT_FALSE(e.host().window_sizes.empty());
      EXPECT_EQ(e.host().window_sizes.back(), std::make_pair(w, h));
    }
    // The controls were made again at the new size.
    const gui::rect dial = e.view().params[synth::p::filter_frequency].widget->bounds();
    EXPECT_EQ(dial, gui::layout::control_rect(*gui::layout::control_of(synth::p::filter_frequency), gui::scale_of_choice(v - 2)));
  }
}

// The highlighted items of a submenu of the View menu, opened as a user does.
std::vector<std::string> marked_in(editor_instance& e, const std::string& submenu) {
  std::vector<std::string> out;
  gui::dropbox& d = *e.view().look_menu;
  d.open_menu({});
  if (!d.is_open()) return out;
  gui::menu_panel& top = *d.session()->panels().front();
  for (size_t i = 0; i < top.level().items.size(); ++i)
    if (top.level().items[i].text == submenu) {
      const gui::point p = top.item_rect(i).centre();
      e.backend().mouse_move(e.window(), p.x, p.y);
    }
  if (d.session()->panels().size() > 1)
    for (const gui::menu_item& it : d.session()->panels().back()->level().items)
      if (it.highlighted) out.push_back(it.text);
  d.session()->cancel();
  e.root().run_deferred();
  return out;
}

TEST_F(editor_controls, the_view_menu_marks_the_current_size_and_colour) {
  EXPECT_EQ(marked_in(e, "Size"), std::vector<std::string>{"Original (762 x 516)"});
  EXPECT_EQ(marked_in(e, "Colour"), std::vector<std::string>{"None"});
  ASSERT_TRUE(e.choose(*e.view().look_menu, "Size>1.5X (1143 x 774)"));
  e.wait();
  EXPECT_EQ(e.window().width, 1143) << "the size items keep their meaning";
  EXPECT_EQ(marked_in(e, "Size"), std::vector<std::string>{"1.5X (1143 x 774)"});
  EXPECT_EQ(marked_in(e, "Colour"), std::vector<std::string>{"None"}) << "one mark per submenu";
  EXPECT_TRUE(marked_in(e, "Background").empty());
  // A colour whose value is also a top-level item's marks only itself.
  ASSERT_TRUE(e.choose(*e.view().look_menu, "Colour>" + std::string(gui::color_preset_table[1].name)));
  EXPECT_EQ(marked_in(e, "Colour"), std::vector<std::string>{gui::color_preset_table[1].name});
  gui::dropbox& d = *e.view().look_menu;
  d.open_menu({});
  ASSERT_TRUE(d.is_open());
  for (const gui::menu_item& it : d.session()->panels().front()->level().items) EXPECT_FALSE(it.highlighted) << it.text;
  d.session()->cancel();
  e.root().run_deferred();
}

TEST_F(editor_controls, a_host_that_cannot_size_windows_still_gets_the_new_rectangle) {
  e.host().size_window_supported = false;
  ASSERT_TRUE(e.choose(*e.view().look_menu, "Size>2X (1524 x 1032)"));
  e.wait();
  EXPECT_TRUE(e.host().window_sizes.empty());
  ERect* rect = nullptr;
  e.dispatch(effEditGetRect, 0, 0, &rect);
  EXPECT_EQ(rect->right, 1524);
  EXPECT_EQ(e.window().width, 1524);
}

}  // namespace
}  // namespace editor_test
