// The menu description language: the built-in strings parse to the item
// trees and values the editor relies on; edge cases and hostile strings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "guilib/menu/menu_parser.h"
#include "tools/gui-demo/menu_strings.h"

namespace gui {
namespace {

// The built-in strings, as the gallery holds them.
const std::string& main_menu = demo::every_menu()[0].text;
const std::string& voices_menu = demo::every_menu()[1].text;

// "text=value" of the choices of a level; "(text)" for hidden ones, "[text]" for labels.
std::vector<std::string> summary(const menu_level& l) {
  std::vector<std::string> out;
  for (const menu_item& it : l.items) {
    std::string s = it.type == menu_item::kind::label ? "[" + it.text + "]" : it.text + "=" + std::to_string(it.value);
    if (!it.shown) s = "(" + s + ")";
    out.push_back(s);
  }
  return out;
}

const menu_item& item(const menu_level& l, const std::string& text) {
  for (const menu_item& it : l.items)
    if (it.text == text) return it;
  static menu_item none;
  ADD_FAILURE() << "no item " << text;
  return none;
}

menu_level parse(std::string_view s, bool shift = false, int32_t current = INT32_MIN, float scale = 1.f) {
  menu_options o;
  o.shift = shift;
  o.current = current;
  o.scale = scale;
  return parse_menu(s, o);
}

TEST(menu_parser, the_main_menu_hides_its_shift_items_without_shift_and_keeps_their_values) {
  const menu_level plain = parse(main_menu);
  EXPECT_EQ(summary(plain), (std::vector<std::string>{"Load=0", "Save=1", "(Bank=2)", "CC Map=3", "PCM=4", "Randomize=5",
                                                     "Sequence=6"}));
  const menu_level& load = *item(plain, "Load").submenu;
  EXPECT_EQ(summary(load), (std::vector<std::string>{"Preset=0", "Bank=1", "State=2", "Init=3", "(Factory=4)",
                                                    "Load Tuning=5", "Reset Tuning=6"}));
  EXPECT_EQ(summary(*item(load, "Init").submenu), (std::vector<std::string>{"Preset=0", "(Bank=1)", "(State=2)", "(Reset=3)"}));
  EXPECT_EQ(load.path, "load");
  EXPECT_EQ(item(load, "Init").submenu->path, "load.init");

  const menu_level shifted = parse(main_menu, true);
  EXPECT_TRUE(item(shifted, "Bank").shown);
  EXPECT_TRUE(item(*item(shifted, "Load").submenu, "Factory").shown);
  // The gap of "[ms][l]" and the Bank item come with Shift; "[m][l]" always.
  EXPECT_EQ(item(plain, "CC Map").area.y1, 3 * 14);
  EXPECT_EQ(item(shifted, "CC Map").area.y1, 5 * 14);
  const menu_level& bank = *item(shifted, "Bank").submenu;
  EXPECT_EQ(summary(*item(bank, "Clear").submenu), (std::vector<std::string>{"[With]", "Init=0", "Selected=1"}));
  EXPECT_EQ(item(*item(shifted, "CC Map").submenu, "Load").value, 3) << "after Remove{}, Clear and an empty row";
}

TEST(menu_parser, the_voices_menu_numbers_poly_counts_and_the_mono_modes) {
  const menu_level l = parse(voices_menu);
  EXPECT_EQ(summary(l), (std::vector<std::string>{"[Poly]", "4=7", "6=9", "8=11", "16=19", "...=20", "[Mono]", "Low=0",
                                                  "High=1", "New=2", "Old=3"}));
  const menu_level& more = *item(l, "...").submenu;
  ASSERT_EQ(more.items.size(), 32u);
  for (int n = 1; n <= 32; ++n) EXPECT_EQ(more.items[size_t(n - 1)].value, n + 3) << n;
  // Columns of eight: 9, 17 and 25 start columns at the top.
  EXPECT_EQ(item(more, "9").area.y1, 0);
  EXPECT_EQ(item(more, "9").area.x1, 24);
  EXPECT_EQ(item(more, "25").area.x1, 72);
  EXPECT_EQ(more.width, 96);
  EXPECT_EQ(more.height, 8 * 13);
  // The second top-level column starts at the first's width.
  EXPECT_EQ(item(l, "Low").area.x1, 60);
  EXPECT_EQ(l.width, 120);
  EXPECT_EQ(l.height, 6 * 13);
}

TEST(menu_parser, the_source_menu_gives_each_group_its_base) {
  const menu_level l = parse(demo::every_menu()[5].text);
  EXPECT_EQ(item(l, "-").value, 0);
  EXPECT_EQ(item(l, "1.0").value, 129);
  EXPECT_EQ(item(l, "Key").value, 256);
  EXPECT_EQ(item(l, "Release").value, 259);
  EXPECT_EQ(item(l, "Program").value, 260);
  EXPECT_EQ(item(l, "Bender").value, 262);
  const menu_level& cc = *item(l, "CC").submenu;
  EXPECT_EQ(item(cc, "Expression").value, 384 + 11);
  EXPECT_EQ(item(cc, "Poly mode").value, 384 + 127);
  const menu_level& numbers = *item(cc, "CC #").submenu;
  ASSERT_EQ(numbers.items.size(), 128u);
  for (int n = 0; n < 128; ++n) EXPECT_EQ(numbers.items[size_t(n)].value, 384 + n);
}

TEST(menu_parser, the_scale_menu_takes_negative_values) {
  const menu_level l = parse("[96x14]1/2=-2,3/4=-1,Original (762 x 516)=0,1.25X (952 x 645),1.5X (1143 x 774),2X (1524 x 1032),");
  EXPECT_EQ(summary(l), (std::vector<std::string>{"1/2=-2", "3/4=-1", "Original (762 x 516)=0", "1.25X (952 x 645)=1",
                                                  "1.5X (1143 x 774)=2", "2X (1524 x 1032)=3"}));
}

TEST(menu_parser, edge_cases_of_values) {
  EXPECT_EQ(summary(parse("A{x,y}B")), (std::vector<std::string>{"A=0", "B=1"})) << "a submenu item consumes a value";
  EXPECT_EQ(summary(parse("A,,B")), (std::vector<std::string>{"A=0", "(=1)", "B=2"})) << "two commas";
  EXPECT_EQ(summary(parse("A[l]B")), (std::vector<std::string>{"A=0", "B=0"}));
  EXPECT_EQ(summary(parse("A,B,")), (std::vector<std::string>{"A=0", "B=1"})) << "a trailing comma";
  EXPECT_EQ(summary(parse("[ms]A,B,[m]C", false)), (std::vector<std::string>{"(A=0)", "(B=1)", "C=2"}));
  EXPECT_EQ(summary(parse("[b10]A,B=5,C,[b100]D")), (std::vector<std::string>{"A=10", "B=15", "C=16", "D=107"}));
  EXPECT_EQ(summary(parse("[mc]A,[ma]B,[msca]C")), (std::vector<std::string>{"(A=0)", "(B=1)", "(C=2)"}));
  EXPECT_EQ(summary(parse("[a7]A,B")), (std::vector<std::string>{"A=0", "B=1"}));
}

TEST(menu_parser, highlight_marks_the_current_value_unless_switched_off) {
  EXPECT_TRUE(item(parse("A,B,C", false, 1), "B").highlighted);
  EXPECT_FALSE(item(parse("A,B,C", false, 1), "A").highlighted);
  EXPECT_FALSE(item(parse("[h0]A,B,C", false, 1), "B").highlighted);
  EXPECT_FALSE(item(*item(parse("[h0]S{A,B}", false, 1), "S").submenu, "B").highlighted) << "submenus inherit the flag";
  EXPECT_TRUE(item(*item(parse("[b4]S{A,B}", false, 5), "S").submenu, "B").highlighted) << "and the base";
}

TEST(menu_parser, sizes_scale_and_stay_in_their_level) {
  const menu_level l = parse("[40x10]A,S{[20x5]x,y}B", false, INT32_MIN, 1.5f);
  EXPECT_EQ(item(l, "A").area, rect_of(0, 0, 60, 15));
  EXPECT_EQ(item(l, "B").area, rect_of(0, 30, 60, 15)) << "the submenu's size command stays inside it";
  EXPECT_EQ(item(*item(l, "S").submenu, "y").area, rect_of(0, 7, 30, 7)) << "y advances by 7.5, truncated";
}

TEST(menu_parser, hostile_strings_stay_bounded) {
  // Unbalanced braces: a missing "}" ends at the end, a stray one is skipped.
  EXPECT_EQ(summary(parse("A{B,C")), (std::vector<std::string>{"A=0"}));
  EXPECT_EQ(summary(*parse("A{B,C").items[0].submenu), (std::vector<std::string>{"B=0", "C=1"}));
  EXPECT_EQ(summary(parse("}}A,}B]=,C")), (std::vector<std::string>{"A=0", "B=1", "(=0)", "C=1"}))
      << "B ends at a stray ']' without advancing; '=' without digits sets 0";
  EXPECT_EQ(summary(parse("[72x14")), std::vector<std::string>{});
  EXPECT_EQ(summary(parse("A=99999999999999999999,B")), (std::vector<std::string>{"A=2147483647", "B=2147483647"}))
      << "numbers and the counter saturate";
  EXPECT_EQ(summary(parse("[b-2147483648]A=-5,B")), (std::vector<std::string>{"A=-2147483648", "B=-2147483648"}));
  // Empty labels and rows.
  EXPECT_EQ(summary(parse("[l][l]A")), (std::vector<std::string>{"A=0"}));
  EXPECT_EQ(parse("[l][l]A").items[0].area.y1, 28);
  // Nesting deeper than the bound is passed over; the item still counts.
  std::string deep;
  for (int i = 0; i < 200; ++i) deep += "S{";
  deep += "X";
  for (int i = 0; i < 200; ++i) deep += "}";
  deep += "T";
  const menu_level d = parse(deep);
  EXPECT_EQ(summary(d), (std::vector<std::string>{"S=0", "T=1"}));
  int depth = 0;
  for (const menu_level* l = &d; !l->items.empty() && l->items[0].submenu; l = l->items[0].submenu.get()) ++depth;
  EXPECT_LE(depth, max_menu_depth);
  // A giant grid: the entries and the panel's extent are bounded.
  std::string grid = "[1024x1024]";
  for (int i = 0; i < 20000; ++i) grid += (i % 3 == 0 ? "[n]x," : "x,");
  const menu_level g = parse(grid, false, INT32_MIN, 4.f);
  EXPECT_LE(count_menu_items(g), max_menu_items);
  EXPECT_LE(g.width, max_menu_extent);
  EXPECT_LE(g.height, max_menu_extent);
  // Every shown entry lies inside the panel, the last columns too, whose
  // start is clamped to the panel's edge.
  for (const menu_item& it : g.items) {
    if (!it.shown) continue;
    EXPECT_GE(it.area.x1, 0);
    EXPECT_LE(it.area.x2, g.width);
    EXPECT_LE(it.area.y2, g.height);
  }
}

TEST(menu_parser, the_placeholder_adds_its_entries_with_the_level_path) {
  struct provider : menu_placeholder {
    std::vector<std::string> asked;
    void populate(const std::string& path, menu_adder& add) override {
      asked.push_back(path);
      add.label("Mapped");
      add.item("Modulation (1) to Volume (0)");
      add.item("No more", false);
    }
  } p;
  menu_options o;
  o.placeholder = &p;
  const menu_level l = parse_menu("CC Map{Learn,Remove{[p]}Clear}", o);
  EXPECT_EQ(p.asked, std::vector<std::string>{"cc map.remove"});
  const menu_level& remove = *item(*item(l, "CC Map").submenu, "Remove").submenu;
  EXPECT_EQ(summary(remove), (std::vector<std::string>{"[Mapped]", "Modulation (1) to Volume (0)=0", "No more=1"}));
  EXPECT_TRUE(remove.items[1].dynamic);
  EXPECT_FALSE(remove.items[2].enabled);
}

TEST(menu_parser, every_built_in_menu_parses_with_shown_items_inside_its_panel) {
  for (const demo::menu_string& m : demo::every_menu()) {
    SCOPED_TRACE(m.name);
    for (float scale : {0.5f, 1.f, 2.f}) {
      const menu_level l = parse(m.text, true, INT32_MIN, scale);
      EXPECT_FALSE(l.items.empty());
      for (const menu_item& it : l.items) {
        if (!it.shown) continue;
        EXPECT_LE(it.area.x2, l.width);
        EXPECT_LE(it.area.y2, l.height);
      }
    }
  }
}

TEST(menu_parser, find_menu_value_finds_items_in_submenus_first_match_first) {
  const menu_level l = parse(voices_menu);
  EXPECT_EQ(find_menu_value(l, 19)->text, "16");
  EXPECT_EQ(find_menu_value(l, 5)->text, "2");
  EXPECT_EQ(find_menu_value(l, 1)->text, "High");
  EXPECT_EQ(find_menu_value(l, 999), nullptr);
}

}  // namespace
}  // namespace gui

namespace gui {
namespace {

// With the widths texts need, a column grows to its widest entry (up to the
// cap), the columns to its right move along, and narrower entries stay.
TEST(menu_parser, columns_grow_to_the_texts_they_hold) {
  menu_options o;
  o.needed_width = [](const menu_item& it) { return int32_t(it.text.size()) * 10; };
  o.max_column_width = 200;
  const menu_level l = parse_menu("[40x10]ab,a long entry,[n][30x10]x,[20x10]y,[n]" + std::string(30, 'z') + ",", o);
  ASSERT_EQ(l.items.size(), 5u);
  EXPECT_EQ(l.items[0].area.width(), 120) << "as wide as \"a long entry\"";
  EXPECT_EQ(l.items[1].area.width(), 120);
  EXPECT_EQ(l.items[2].area.x1, 120) << "the next column moved along";
  EXPECT_EQ(l.items[2].area.width(), 30) << "wide enough already";
  EXPECT_EQ(l.items[3].area.width(), 20) << "a narrower entry keeps its width";
  EXPECT_EQ(l.items[4].area.x1, 150);
  EXPECT_EQ(l.items[4].area.width(), 200) << "held at the cap";
  EXPECT_EQ(l.width, 350);
  // Without the measure, the sizes are the string's.
  const menu_level plain = parse_menu("[40x10]ab,a long entry,", {});
  EXPECT_EQ(plain.items[1].area.width(), 40);
}

}  // namespace
}  // namespace gui
