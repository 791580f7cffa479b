// Screenshots of the editor in use, for people to look at (<build>/editor-shots;
// `make demo` takes them): a control's right-click menu open at scales 0.75,
// 1 and 2, the Reverb's parameters, the filter mode menu, CC Map > Remove
// with a mapping, the Load State confirmation, the display's whole message
// under the pointer, and the undo and redo arrows by the preset name, one of
// them lit. Each picture is checked for what it must show before it is written.
#include <gtest/gtest.h>

#include <algorithm>

#include "guilib/menu/menu_session.h"
#include "guilib/platform/headless/headless.h"
#include "guilib/widgets/text.h"
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

std::string shot_path(const std::string& name) { return std::string(VORN_SHOTS_DIR) + "/" + name + ".png"; }

// Opens d's menu and moves the pointer along the ">"-separated items, leaving it open.
gui::menu_session* open_along(editor_instance& e, gui::dropbox& d, const std::string& path) {
  d.open_menu({});
  if (!d.is_open()) return nullptr;
  size_t from = 0;
  while (from < path.size()) {
    const size_t cut = path.find('>', from);
    const std::string step = path.substr(from, cut == std::string::npos ? std::string::npos : cut - from);
    gui::menu_panel& panel = *d.session()->panels().back();
    bool found = false;
    for (size_t i = 0; i < panel.level().items.size() && !found; ++i)
      if (panel.level().items[i].shown && panel.level().items[i].text == step) {
        const gui::point p = panel.item_rect(i).centre();
        e.backend().mouse_move(e.window(), p.x, p.y);
        found = true;
      }
    if (!found) return nullptr;
    from = cut == std::string::npos ? path.size() : cut + 1;
  }
  return d.session();
}

TEST(editor_shots, a_right_click_menu_open_at_three_quarters_one_and_two) {
  for (float scale : {0.75f, 1.f, 2.f}) {
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
    const std::string path = shot_path("control-menu-" + std::to_string(int(scale * 100)));
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

TEST(editor_shots, the_reverb_parameters_in_their_groups) {
  for (float scale : {1.f, 2.f}) {
    SCOPED_TRACE(scale);
    editor_instance e;
    e.editor().set_scale(scale);
    ASSERT_TRUE(e.open());
    e.wait();
    e.view().pages->show(2);
    ASSERT_TRUE(e.choose(*e.view().effects[0].effect, "Reverb"));
    e.click(e.view().effects[0].edit->bounds());
    ASSERT_TRUE(e.view().fx_edit.panel->visible());
    std::vector<std::string> headings;
    for (const auto& c : e.view().fx_edit.params->children())
      if (c->name() == "group") headings.push_back(static_cast<gui::text&>(*c).str());
    EXPECT_EQ(headings, (std::vector<std::string>{"GLOBAL", "DIFFUSE", "TAIL"}));
    EXPECT_TRUE(wnd::save_screenshot(surface(e), shot_path("reverb-" + std::to_string(int(scale * 100)))));
  }
}

TEST(editor_shots, a_colour_scheme_tints_panels_and_text) {
  editor_instance e;
  ASSERT_TRUE(e.open());
  e.wait();
  const gui::bitmap plain = surface(e);
  const gui::rect panel = e.view().params[synth::p::filter_frequency].widget->parent()->bounds();
  // A point of the filter panel's own surface, clear of its controls.
  const gui::point inside{panel.x1 + 6, panel.y2 - 6};
  ASSERT_TRUE(e.choose(*e.view().look_menu, "Colour>Blue"));
  e.wait();
  const gui::bitmap& blue = surface(e);
  const gui::color32 before = plain.at(inside.x, inside.y), after = blue.at(inside.x, inside.y);
  EXPECT_NE(before, after) << "the panel takes the scheme";
  EXPECT_GT(gui::blue_of(after), gui::red_of(after) + 8) << "and its hue";
  EXPECT_TRUE(wnd::save_screenshot(blue, shot_path("colour-blue")));
}

TEST(editor_shots, the_filter_mode_menu_open) {
  editor_instance e;
  e.editor().set_scale(2.f);
  ASSERT_TRUE(e.open());
  e.wait();
  auto& mode = static_cast<gui::dropbox&>(*e.view().params[synth::p::filter_mode].widget);
  gui::menu_session* s = open_along(e, mode, "-");
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(wnd::save_screenshot(surface(e), shot_path("filter-mode-menu")));
}

TEST(editor_shots, cc_map_remove_opens_beside_its_parent_with_the_whole_mapping) {
  editor_instance e;
  ASSERT_TRUE(e.open());
  e.wait();
  e.right_click(e.view().params[synth::p::filter_frequency].widget->bounds());
  ASSERT_TRUE(e.choose_in_open_menu("Learn MIDI controller"));
  e.send_cc(74, 100);
  gui::menu_session* s = open_along(e, *e.view().main_menu, "CC Map>Remove");
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->panels().size(), 3u);
  const gui::rect parent = s->panels()[1]->card(), sub = s->panels()[2]->card();
  EXPECT_FALSE(gui::overlaps(parent.inset(2), sub.inset(2))) << "beside CC Map, not over it";
  bool whole = false;
  for (const auto& c : s->panels()[2]->children())
    if (auto* t = dynamic_cast<gui::text*>(c.get()); t && t->name() == "token") {
      EXPECT_EQ(t->shown_text(), t->str());
      whole |= t->str() == "Brightness (74) to Filter Frequency (41)";
    }
  EXPECT_TRUE(whole);
  EXPECT_TRUE(wnd::save_screenshot(surface(e), shot_path("cc-map-remove")));
}

TEST(editor_shots, the_load_state_confirmation_wraps_evenly) {
  editor_instance e;
  ASSERT_TRUE(e.open());
  e.wait();
  ASSERT_TRUE(e.choose(*e.view().main_menu, "Load>State"));
  // The file dialog first, then the confirmation.
  if (e.dialog_open() && e.message_text().find("Are you sure") == std::string::npos)
    ASSERT_TRUE(e.answer_file("/nonexistent/x.vornstate"));
  ASSERT_TRUE(e.dialog_open());
  std::vector<std::string> lines;
  for (const auto& c : e.root().modal_layer()->children())
    if (c->name() == "text") lines.push_back(static_cast<gui::text&>(*c).str());
  ASSERT_GE(lines.size(), 4u);
  for (size_t i = 0; i < lines.size(); ++i) {
    const bool ends_paragraph = i + 1 == lines.size() || lines[i + 1].empty();
    const bool starts_paragraph = i == 0 || lines[i - 1].empty();
    if (lines[i].empty() || !ends_paragraph || starts_paragraph) continue;
    EXPECT_NE(lines[i].find(' '), std::string::npos) << "a word alone on the last line: " << lines[i];
  }
  EXPECT_TRUE(wnd::save_screenshot(surface(e), shot_path("load-state-confirm")));
}

TEST(editor_shots, a_long_message_wraps_and_shows_whole_under_the_pointer) {
  editor_instance e;
  ASSERT_TRUE(e.open());
  e.wait();
  e.editor().say("Move a GUI control to select that control for mapping,", "then adjust CC to map to control.");
  e.wait();
  gui::editor_view& v = e.view();
  const gui::point over = v.display_note->bounds().centre();
  e.backend().mouse_move(e.window(), over.x, over.y);
  ASSERT_NE(v.display_note->card(), nullptr) << "the note shows";
  std::string shown;
  std::function<void(gui::view&)> walk = [&](gui::view& n) {
    if (auto* t = dynamic_cast<gui::text*>(&n)) shown += t->str() + " ";
    for (const auto& c : n.children()) walk(*c);
  };
  walk(*v.display_note->card());
  EXPECT_NE(shown.find("for mapping,"), std::string::npos) << shown;
  EXPECT_NE(shown.find("map to control."), std::string::npos) << shown;
  EXPECT_TRUE(wnd::save_screenshot(surface(e), shot_path("display-note")));
  e.backend().mouse_move(e.window(), 2, 2);
  e.root().run_deferred();
  EXPECT_EQ(v.display_note->card(), nullptr);

  // A long first line with nothing under it goes on below.
  e.editor().say("Route 1: Velocity to Filter Frequency, Multiply by the modulation wheel", "");
  EXPECT_EQ(v.line0->shown_text(), v.line0->str()) << "no \"...\"";
  EXPECT_FALSE(v.line1->str().empty());
  EXPECT_EQ(v.line0->str() + " " + v.line1->str(), "Route 1: Velocity to Filter Frequency, Multiply by the modulation wheel");
}

}  // namespace
}  // namespace editor_test
