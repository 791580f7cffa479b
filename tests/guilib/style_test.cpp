#include <gtest/gtest.h>

#include "guilib/style/color.h"
#include "guilib/style/color_presets.h"
#include "guilib/style/expression.h"
#include "guilib/style/style_sheet.h"

namespace gui {
namespace {

float eval(const char* text) {
  expression_evaluator e;
  return e.evaluate(text);
}

TEST(expression, precedence_associativity_and_unary_operators) {
  EXPECT_FLOAT_EQ(eval("1 / 64"), 0.015625f);
  EXPECT_FLOAT_EQ(eval("2^3^2"), 64.f);
  EXPECT_FLOAT_EQ(eval("-2^2"), 4.f);
  EXPECT_FLOAT_EQ(eval("1 + 2 * 3"), 7.f);
  EXPECT_FLOAT_EQ(eval("(1 + 2) * 3"), 9.f);
  EXPECT_FLOAT_EQ(eval("10 - 4 - 3"), 3.f);
  EXPECT_FLOAT_EQ(eval("~3 + 5"), 2.f);
  EXPECT_FLOAT_EQ(eval("3 & 5 | 4"), 4.f);  // min then max, left to right
  EXPECT_FLOAT_EQ(eval("1 << 3 + 1"), 16.f);
  EXPECT_FLOAT_EQ(eval("8 >> 2"), 2.f);
  EXPECT_FLOAT_EQ(eval("2.5e1 + .5"), 25.5f);
}

TEST(expression, remainder_keeps_the_sign_of_the_dividend) {
  EXPECT_NEAR(eval("7 % 3"), 1.0, 1e-6);
  EXPECT_NEAR(eval("-7 % 3"), -1.0, 1e-6);
  EXPECT_NEAR(eval("7.5 % 2"), 1.5, 1e-6);
}

TEST(expression, variables_persist_and_failing_statements_keep_the_result) {
  expression_evaluator e;
  EXPECT_FLOAT_EQ(e.evaluate("a = 3; a * 2"), 6.f);
  EXPECT_DOUBLE_EQ(e.variable("a"), 3.0);
  EXPECT_FLOAT_EQ(e.evaluate("a"), 6.f);      // a bare variable fails
  EXPECT_FLOAT_EQ(e.evaluate("1 / 0"), 6.f);  // so does a division by zero
  for (const char* bad : {"5 % 0", "0 ^ -1", "(-8) ^ 0.5", "2 ? 3", "(1 + 2", "1 + 2)", "1 +", "* 3", "=4",
                          "3 = 4", "1, 2", ""}) {
    EXPECT_FLOAT_EQ(e.evaluate(bad), 6.f) << bad;
  }
  EXPECT_FLOAT_EQ(e.evaluate("(-8) ^ 2"), 64.f);
  EXPECT_FLOAT_EQ(e.evaluate("b + 1"), 1.f);  // unknown variables start at 0
  EXPECT_FLOAT_EQ(e.evaluate("x = 2; y = x * 5; y - x"), 8.f);
}

TEST(expression, unknown_characters_end_the_statement_and_signs_inside_numbers_are_exponents) {
  EXPECT_FLOAT_EQ(eval("1+2!3"), 3.f);
  EXPECT_FLOAT_EQ(eval("4 # 5"), 4.f);
  EXPECT_FLOAT_EQ(eval("1-2"), -1.f);   // a sign inside a number only follows an exponent
  EXPECT_FLOAT_EQ(eval("1 - 2"), -1.f);
  EXPECT_FLOAT_EQ(eval("2.5e-1+1"), 1.25f);
  EXPECT_FLOAT_EQ(eval("1e+1e"), 10.f);  // longest valid prefix of the run "1e+1e"
  EXPECT_FLOAT_EQ(eval("2 < 3"), 2.f);  // a single "<" is not an operator
}

TEST(expression, token_limits_drop_rather_than_overflow) {
  std::string long_sum = "1";
  for (int i = 0; i < 40; ++i) long_sum += "+1";
  expression_evaluator e;
  e.evaluate(long_sum.c_str());  // must not crash; the result is whatever the kept tokens give
  std::string deep(100, '(');
  EXPECT_FLOAT_EQ(e.evaluate(("7;" + deep + "1").c_str()), 7.f);
}

TEST(color, hls_gray_rgb_and_their_alpha_forms) {
  const color red = parse_color("hls(0/12, 2/5, 7/8)");
  EXPECT_NEAR(red.r, 0.75f, 1e-6f);
  EXPECT_NEAR(red.g, 0.05f, 1e-6f);
  EXPECT_NEAR(red.b, 0.05f, 1e-6f);
  EXPECT_EQ(red.a, 1.f);
  const color grey = parse_color("hls(0, 1/2, 0)");
  EXPECT_EQ(grey.r, 0.5f);
  EXPECT_EQ(grey.b, 0.5f);
  const color g = parse_color(std::vector<std::string>{"gray", "1 / 64"});
  EXPECT_EQ(g.r, 0.015625f);
  EXPECT_EQ(g.a, 1.f);
  const color ga = parse_color("gray(0.5, 0.25)");
  EXPECT_EQ(ga.a, 0.5f);
  EXPECT_EQ(ga.g, 0.25f);
  const color rgba = parse_color("rgb(0.5, 1, 0, 0.25)");
  EXPECT_EQ(rgba.a, 0.5f);
  EXPECT_EQ(rgba.r, 1.f);
  EXPECT_EQ(rgba.b, 0.25f);
  const color hlsa = parse_color("hls(0.5, 1/3, 1/2, 1)");
  EXPECT_EQ(hlsa.a, 0.5f);
  const color nothing = parse_color("hsv(1, 2, 3)");
  EXPECT_EQ(nothing.r + nothing.g + nothing.b + nothing.a, 0.f);
  const color wrong_count = parse_color("rgb(1, 2)");
  EXPECT_EQ(wrong_count.a, 0.f);
}

TEST(color, a_failing_argument_takes_the_value_evaluated_before_it) {
  // Arguments run last first: b = 0.25, then g fails and keeps 0.25, then r.
  const color c = parse_color("rgb(1, 1 / 0, 0.25)");
  EXPECT_EQ(c.r, 1.f);
  EXPECT_EQ(c.g, 0.25f);
  EXPECT_EQ(parse_color("gray(q)").r, 0.f);  // the first evaluated failing gives 0
}

TEST(color, hue_wraps_and_inputs_clamp) {
  const color a = hls_to_rgb(1.25f, 0.5f, 1.f), b = hls_to_rgb(0.25f, 0.5f, 1.f);
  EXPECT_EQ(a.r, b.r);
  EXPECT_EQ(a.g, b.g);
  const color c = hls_to_rgb(-0.75f, 2.f, 5.f);
  EXPECT_EQ(c.r, 1.f);
  EXPECT_EQ(c.g, 1.f);
  const color green = hls_to_rgb(1.f / 3.f, 0.5f, 1.f);
  EXPECT_NEAR(green.g, 1.f, 1e-6f);
  EXPECT_NEAR(green.r, 0.f, 1e-5f);
}

TEST(color, pack_floors_each_byte_and_clamps_out_of_range_components) {
  EXPECT_EQ(pack({1.f, 0.5f, 0.f, 1.f}), 0xFFFF7F00u);
  EXPECT_EQ(pack({1.2f, -0.5f, 0.999f, 2.f}), 0xFFFF00FEu);
}

TEST(color, named_colors_and_unknown_names) {
  const color led = named_color("led blue");
  EXPECT_EQ(led.r, 8.f / 255.f);
  EXPECT_EQ(led.g, 32.f / 255.f);
  EXPECT_EQ(led.b, 240.f / 255.f);
  EXPECT_EQ(led.a, 1.f);
  EXPECT_EQ(pack(named_color("orange")), 0xFFFF4000u);
  EXPECT_EQ(pack(named_color("Orange")), 0xFF000000u);  // names are case-sensitive
}

TEST(color_presets, twenty_two_rows_tokenised_without_blanks) {
  const std::vector<color_preset> p = build_color_presets();
  ASSERT_EQ(p.size(), 22u);
  EXPECT_EQ(p[0].name, "Red");
  EXPECT_EQ(p[21].name, "Scintillicious");
  EXPECT_EQ(p[21].index, 21);
  EXPECT_EQ(p[0].tokens, (std::vector<std::string>{"hls", "0/12", "2/5", "7/8"}));
  ASSERT_EQ(p[15].name, "RGBK");
  EXPECT_EQ(p[15].tokens.size(), 17u);
  EXPECT_EQ(p[15].tokens[0], "blend");
  const color_scheme rgbk = scheme_of(p[15]);
  EXPECT_TRUE(rgbk.blend);
  EXPECT_EQ(rgbk.corners[0], 0xFFFF0000u);
  EXPECT_EQ(rgbk.corners[3] & 0xFFFFFF, 0u);
  const color_scheme red = scheme_of(p[0]);
  EXPECT_FALSE(red.blend);
  EXPECT_NEAR(red.single.r, 0.75f, 1e-6f);
  const color beyond = preset_color(p[0], 1);  // a single-colour preset has no second colour
  EXPECT_EQ(beyond.r, 0.5f);
  color_preset cut{0, "cut", {"hls", "1", "2"}};
  EXPECT_EQ(preset_color(cut, 0).g, 0.5f);
  EXPECT_EQ(scheme_of({0, "odd", {"rgb", "1", "1", "1"}}).single.r, 0.5f);
}

TEST(style_sheet, keys_blocks_quotes_and_values) {
  style_sheet s;
  s.parse("corner size = 4.0;background {color = gray(1 / 64);}\nlabel = \"A b\";");
  const style_node* corner = find(s.root(), "cornersize");
  ASSERT_NE(corner, nullptr);
  EXPECT_EQ(corner->value, "4.0");
  const style_node* bg = find(s.root(), "background");
  ASSERT_NE(bg, nullptr);
  const style_node* c = find(*bg, "color");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->value, "gray(1/64)");
  EXPECT_EQ(find(s.root(), "label")->value, "A b");
  EXPECT_EQ(find(s.root(), "color"), nullptr);
}

TEST(style_sheet, a_key_with_a_block_and_repeated_keys) {
  style_sheet s;
  s.parse("knob = big { size = 49; } knob = small; a { x = 1; } a { y = 2; }");
  const style_node* knob = find(s.root(), "knob");
  ASSERT_NE(knob, nullptr);
  EXPECT_EQ(knob->value, "small");  // found again and given its new value
  ASSERT_NE(find(*knob, "size"), nullptr);
  EXPECT_EQ(find(*knob, "size")->value, "49");
  const style_node* a = find(s.root(), "a");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->children.size(), 2u);
  EXPECT_EQ(s.root().children.size(), 2u);
}

TEST(style_sheet, unbalanced_braces_give_an_empty_tree_and_nesting_is_bounded) {
  style_sheet s;
  s.parse("a { b { x = 1; }");
  EXPECT_TRUE(s.root().children.empty());
  s.parse("} x = 1;{");
  EXPECT_TRUE(s.root().children.empty());
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "a{";
  deep += "v=1;";
  for (int i = 0; i < 100000; ++i) deep += "}";
  s.parse(deep);
  const style_node* n = &s.root();
  int depth = 0;
  while ((n = find(*n, "a"))) ++depth;
  EXPECT_EQ(depth, int(max_style_depth));
}

}  // namespace
}  // namespace gui
