// Every size the View menu offers, drawn headless and read back through the
// painter's record of the texts it drew: on every page (Global, Route,
// Effect, the Reverb's parameters) and with the Presets and main menus open,
// no two texts overlap, none runs out of the view that draws it or the
// window, and none is cut short with "...".
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>

#include "editor/layout.h"
#include "editor/menu_strings.h"
#include "guilib/menu/menu_parser.h"
#include "guilib/menu/menu_session.h"
#include "guilib/view/painter.h"
#include "tests/editor/editor_fixture.h"

namespace editor_test {
namespace {

// The scales the View menu's Size submenu lists, by item value.
std::vector<float> offered_scales() {
  std::vector<float> out;
  const gui::menu_level l = gui::parse_menu(gui::scale_menu, {});
  for (const gui::menu_item& it : l.items)
    if (it.shown && it.type == gui::menu_item::kind::choice) out.push_back(gui::scale_of_choice(it.value));
  return out;
}

std::vector<gui::drawn_text> draw(editor_instance& e) {
  std::vector<gui::drawn_text> texts;
  e.root().damage(e.root().bounds());
  gui::record_drawn_text(&texts);
  e.backend().pump();
  gui::record_drawn_text(nullptr);
  return texts;
}

std::string where(const gui::drawn_text& t) {
  std::ostringstream o;
  o << '"' << t.s << "\" at " << t.box.x1 << "," << t.box.y1 << " " << t.box.width() << "x" << t.box.height();
  return o.str();
}

// The faults of one picture, one line each; empty when it reads cleanly.
// A text the painter cut short to fit ends in its ellipsis ("…", or ".."
// in a font without one). Menu items that open a dialog end in "…" by
// design; they are whole texts, told apart by the menus' own strings.
bool ends_with(const std::string& s, const char* tail) {
  const size_t n = std::strlen(tail);
  return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

bool ends_cut(const std::string& s) {
  if (ends_with(s, "...")) return true;
  if (ends_with(s, "..")) return true;
  if (!ends_with(s, "\xE2\x80\xA6")) return false;
  static const char* const whole[] = {"Enter value\xE2\x80\xA6"};
  for (const char* w : whole)
    if (s == w) return false;
  return true;
}

std::vector<std::string> faults(const std::vector<gui::drawn_text>& texts, const gui::rect& window) {
  std::vector<std::string> out;
  for (size_t a = 0; a < texts.size(); ++a) {
    const gui::drawn_text& t = texts[a];
    if (ends_cut(t.s)) out.push_back("cut: " + where(t));
    if (gui::intersection(t.box, t.clip) != t.box || gui::intersection(t.box, window) != t.box)
      out.push_back("clipped: " + where(t));
    for (size_t b = a + 1; b < texts.size(); ++b)
      if (gui::overlaps(t.box, texts[b].box)) out.push_back("overlap: " + where(t) + " and " + where(texts[b]));
  }
  return out;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\n";
  return s;
}

TEST(editor_text_layout, every_offered_size_draws_its_texts_apart_and_whole_on_every_page) {
  const std::vector<float> scales = offered_scales();
  ASSERT_GE(scales.size(), 3u);
  for (float scale : scales) {
    SCOPED_TRACE("scale " + std::to_string(scale));
    editor_instance e;
    e.editor().set_scale(scale);
    ASSERT_TRUE(e.open());
    e.wait();
    const gui::rect window = e.root().bounds();
    // Drawn at the size offered, not quietly at another.
    EXPECT_EQ(window.width(), gui::layout::width_at(scale));
    EXPECT_EQ(window.height(), gui::layout::height_at(scale));
    gui::editor_view& v = e.view();
    for (int32_t page = 0; page < v.pages->count(); ++page) {
      SCOPED_TRACE("page " + std::to_string(page));
      v.pages->show(page);
      const std::vector<gui::drawn_text> texts = draw(e);
      EXPECT_GT(texts.size(), 60u) << "the editor's texts are drawn";
      EXPECT_EQ(joined(faults(texts, window)), "");
    }
    // The menus of the preset selector and the display, open.
    for (gui::dropbox* d : {static_cast<gui::dropbox*>(v.programs), static_cast<gui::dropbox*>(v.main_menu)}) {
      SCOPED_TRACE(d->name());
      // The menu is drawn last, over the editor: its texts follow the editor's.
      const size_t under = draw(e).size();
      d->open_menu({});
      ASSERT_TRUE(d->is_open());
      std::vector<gui::drawn_text> texts = draw(e);
      ASSERT_GT(texts.size(), under);
      texts.erase(texts.begin(), texts.begin() + std::ptrdiff_t(under));
      EXPECT_EQ(joined(faults(texts, window)), "");
      d->session()->cancel();
      e.root().run_deferred();
    }
    // The effect with the most parameters, opened in slot 1.
    ASSERT_TRUE(e.choose(*v.effects[0].effect, "Reverb"));
    e.click(v.effects[0].edit->bounds());
    ASSERT_TRUE(v.fx_edit.panel->visible());
    SCOPED_TRACE("Reverb parameters");
    // The view covers the tab area: what the page drew under it before is hidden.
    std::vector<gui::drawn_text> texts = draw(e);
    const gui::rect panel = v.fx_edit.panel->bounds();
    const auto title = std::find_if(texts.begin(), texts.end(),
                                    [&](const gui::drawn_text& t) { return t.s == v.fx_edit.title->str(); });
    ASSERT_NE(title, texts.end());
    texts.erase(std::remove_if(texts.begin(), title, [&](const gui::drawn_text& t) { return gui::overlaps(t.box, panel); }),
                title);
    EXPECT_EQ(joined(faults(texts, window)), "");
  }
}

}  // namespace
}  // namespace editor_test
