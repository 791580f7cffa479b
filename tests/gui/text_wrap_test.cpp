// Breaking texts into lines: paragraphs, soft breaks, and the even break that
// leaves no word alone on a paragraph's last line.
#include <gtest/gtest.h>

#include <algorithm>

#include "guilib/widgets/text_wrap.h"
#include "guilib/widgets/ui_style.h"

namespace gui::testing {
namespace {

const font& label_font() { return *style_for_scale(1.f).label; }

int32_t widest(const std::vector<std::string>& lines) {
  int32_t w = 0;
  for (const std::string& l : lines) w = std::max(w, measure(label_font(), l.c_str()));
  return w;
}

TEST(text_wrap, paragraphs_keep_one_blank_line_and_single_breaks_read_as_spaces) {
  const auto lines = wrap_greedy(label_font(), "one\ntwo\n\nthree", 1000);
  EXPECT_EQ(lines, (std::vector<std::string>{"one two", "", "three"}));
  EXPECT_EQ(wrap_greedy(label_font(), "", 100), std::vector<std::string>{""});
  // A word wider than the width stands on its own line, whole.
  EXPECT_EQ(wrap_greedy(label_font(), "a Unbreakablewordhere b", 20),
            (std::vector<std::string>{"a", "Unbreakablewordhere", "b"}));
}

TEST(text_wrap, the_even_break_uses_as_many_lines_and_leaves_no_lone_word) {
  const std::string warning =
      "Loading a state will overwrite 100% of the state of the current instance.\nThis includes all presets, PCM, CC "
      "map, routing, effects, background\nand other global parameters.";
  for (int32_t width : {150, 220, 276, 400}) {
    SCOPED_TRACE(width);
    const auto greedy = wrap_greedy(label_font(), warning, width);
    const auto even = wrap_evenly(label_font(), warning, width);
    EXPECT_EQ(even.size(), greedy.size());
    EXPECT_LE(widest(even), width);
    if (even.size() > 1) EXPECT_NE(even.back().find(' '), std::string::npos) << even.back();
    std::string joined;
    for (const std::string& l : even) joined += (joined.empty() ? "" : " ") + l;
    EXPECT_EQ(joined, "Loading a state will overwrite 100% of the state of the current instance. This includes all "
                      "presets, PCM, CC map, routing, effects, background and other global parameters.");
  }
}

}  // namespace
}  // namespace gui::testing
