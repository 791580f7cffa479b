// Text widgets with UTF-8 and tall glyphs: cutting with "…" on whole
// characters, and a line exactly as high as its rectangle drawn whole.
#include <gtest/gtest.h>

#include <string>

#include "guilib/font/font_file.h"
#include "guilib/paint/text.h"
#include "guilib/view/painter.h"
#include "guilib/widgets/text.h"
#include "platform/utf8.h"
#include "tests/gui/ui_fixture.h"

namespace gui {
namespace {

TEST(text_fit, fitting_cuts_whole_characters_and_ends_with_an_ellipsis) {
  mount_builtin();
  font f;
  ASSERT_TRUE(load_archive_font(f, "DejaVu Sans 9"));
  const std::string long_name = "Ärger über Öl und Straße";
  const int full = measure(f, long_name.c_str());
  for (int w = 0; w < full; w += 3) {
    const std::string s = fit_text(f, long_name, w);
    EXPECT_LE(measure(f, s.c_str()), w);
    if (s.empty()) continue;
    ASSERT_GE(s.size(), 3u);
    EXPECT_EQ(s.substr(s.size() - 3), "…");
    for (size_t at = 0; at < s.size();) {  // nothing but whole characters
      const platform::utf8_char c = platform::decode_utf8(s, at);
      EXPECT_TRUE(c.valid) << w;
      at += c.length;
    }
  }
  EXPECT_EQ(fit_text(f, long_name, full), long_name);
}

// A dialog title sits in a rectangle exactly one line high; the centring
// formula put it a row above, where the clip cut the top bar of "]".
TEST(text_fit, a_title_one_line_high_draws_its_brackets_whole) {
  testing::ui_fixture u(240, 80);
  const ui_style& st = testing::ui_fixture::style();
  const font& hf = *st.header;
  text& title = u.root->add<text>("title", rect{10, 21, 230, 21 + hf.line_height()}, "]", &st);
  title.set_header(true);
  const bitmap& shot = u.paint();
  // The same glyph drawn unclipped on its own: every inked pixel must be in the window too.
  bitmap alone;
  create(alone, 240, 80);
  const point at = title.placement();
  draw_text(alone, hf, at.x, at.y, "]", 0xFFFFFFFF);
  int inked = 0, shown = 0;
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 240; ++x) {
      if (alpha_of(alone.at(x, y)) < 128) continue;
      ++inked;
      shown += y >= title.bounds().y1 && y < title.bounds().y2;
    }
  EXPECT_GT(inked, 0);
  EXPECT_EQ(shown, inked) << "rows of the glyph fall outside the title's rectangle";
  EXPECT_EQ(at.y, title.bounds().y1);
  (void)shot;
}

}  // namespace
}  // namespace gui
