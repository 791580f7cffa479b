#include <gtest/gtest.h>

#include <cmath>

#include "guilib/paint/blit.h"
#include "guilib/paint/icons.h"
#include "guilib/paint/knob_strip.h"
#include "guilib/paint/switch_strip.h"
#include "guilib/style/palette.h"

namespace gui {
namespace {

bool near_color(color32 p, color32 c, int tolerance = 40) {
  return alpha_of(p) > 200 && std::abs(int(red_of(p)) - int(red_of(c))) < tolerance &&
         std::abs(int(green_of(p)) - int(green_of(c))) < tolerance && std::abs(int(blue_of(p)) - int(blue_of(c))) < tolerance;
}

// Centroid of the frame's pixels close to colour c, relative to the frame centre.
struct blob {
  int count = 0;
  float dx = 0.f, dy = 0.f;
  int left = 0, right = 0;  // pixels each side of the centre
};

blob find(const bitmap& strip, int frame, int fw, int fh, color32 c) {
  blob b;
  for (int y = 0; y < fh; ++y) {
    for (int x = 0; x < fw; ++x) {
      if (!near_color(strip.at(x, frame * fh + y), c)) continue;
      ++b.count;
      const float dx = float(x) + 0.5f - float(fw) / 2.f;
      b.dx += dx;
      b.dy += float(y) + 0.5f - float(fh) / 2.f;
      (dx < 0 ? b.left : b.right)++;
    }
  }
  if (b.count) b.dx /= float(b.count), b.dy /= float(b.count);
  return b;
}

// The frame a knob widget shows for value v with the default dead fraction.
int frame_of(int frames, float v) { return int(std::floor(float(frames - 1) * (0.9f * v + 0.05f))); }

TEST(knob_strip, frames_stack_vertically_with_transparent_corners) {
  bitmap b;
  render_knob_strip(b, {33, 33, 65, 1});
  EXPECT_EQ(b.width(), 33);
  EXPECT_EQ(b.height(), 33 * 65);
  for (int f = 0; f < 65; f += 16) {
    EXPECT_EQ(alpha_of(b.at(0, f * 33)), 0u);
    EXPECT_EQ(alpha_of(b.at(32, f * 33 + 32)), 0u);
    EXPECT_EQ(alpha_of(b.at(16, f * 33 + 16)), 255u);  // the cap is opaque
  }
}

TEST(knob_strip, the_pointer_turns_clockwise_from_the_bottom_over_the_frames) {
  bitmap b;
  const int n = 65, s = 49;
  render_knob_strip(b, {s, s, n, 1});
  const blob up = find(b, (n - 1) / 2, s, s, palette::text_primary);
  ASSERT_GT(up.count, 10);
  EXPECT_NEAR(up.dx, 0.f, 1.f);
  EXPECT_LT(up.dy, -4.f);
  const blob left = find(b, (n - 1) / 4, s, s, palette::text_primary);
  EXPECT_LT(left.dx, -4.f);
  EXPECT_NEAR(left.dy, 0.f, 1.f);
  const blob right = find(b, 3 * (n - 1) / 4, s, s, palette::text_primary);
  EXPECT_GT(right.dx, 4.f);
}

TEST(knob_strip, the_value_arc_grows_from_the_start_or_from_the_top) {
  const int n = 65, s = 39;
  bitmap uni, bi;
  render_knob_strip(uni, {s, s, n, int(knob_variant::unipolar)});
  render_knob_strip(bi, {s, s, n, int(knob_variant::bipolar)});
  EXPECT_EQ(find(uni, frame_of(n, 0.f), s, s, palette::accent).count, 0);
  const blob full = find(uni, frame_of(n, 1.f), s, s, palette::accent);
  EXPECT_GT(full.left, 20);
  EXPECT_GT(full.right, 20);
  const blob quarter = find(uni, frame_of(n, 0.25f), s, s, palette::accent);
  EXPECT_GT(quarter.left, 5 * std::max(quarter.right, 1));  // still on the left half
  EXPECT_GT(quarter.dy, 0.f);                              // and low

  EXPECT_EQ(find(bi, (n - 1) / 2, s, s, palette::accent).count, 0);
  const blob plus = find(bi, frame_of(n, 0.8f), s, s, palette::accent);
  const blob minus = find(bi, frame_of(n, 0.2f), s, s, palette::accent);
  EXPECT_GT(plus.right, 5 * std::max(plus.left, 1));
  EXPECT_GT(minus.left, 5 * std::max(minus.right, 1));
  EXPECT_NEAR(plus.count, minus.count, plus.count / 5);
}

TEST(switch_strip, the_thumb_moves_right_and_on_shows_the_accent) {
  for (int positions : {2, 3}) {
    SCOPED_TRACE(positions);
    bitmap b;
    const int w = 38, h = 19;
    render_switch_strip(b, {w, h, positions});
    ASSERT_EQ(b.height(), h * positions);
    EXPECT_EQ(find(b, 0, w, h, palette::accent).count, 0);
    float last = -1e9f;
    for (int k = 0; k < positions; ++k) {
      // The thumb: grey when off, light or accent when on.
      blob t = find(b, k, w, h, k == 0 ? palette::text_secondary : positions == 2 ? 0xFFF4F5F7u : palette::accent);
      ASSERT_GT(t.count, 20) << k;
      EXPECT_GT(t.dx, last + 4.f) << k;
      last = t.dx;
    }
    EXPECT_GT(find(b, positions - 1, w, h, palette::accent).count, 20);
  }
}

TEST(icons, every_waveform_renders_at_icon_size_and_unknown_names_fail) {
  for (const std::string& name : waveform_icon_names()) {
    bitmap b;
    ASSERT_TRUE(render_waveform_icon(b, name, 20, 9, palette::accent)) << name;
    int ink = 0, rows_used = 0;
    for (int y = 0; y < 9; ++y) {
      bool row = false;
      for (int x = 0; x < 20; ++x) row |= alpha_of(b.at(x, y)) > 128, ink += alpha_of(b.at(x, y)) > 128;
      rows_used += row;
    }
    EXPECT_GT(ink, 12) << name;
    EXPECT_GE(rows_used, 5) << name;  // the stroke spans the icon's height
  }
  bitmap b;
  EXPECT_FALSE(render_waveform_icon(b, "saw", 20, 9, palette::accent));
  EXPECT_TRUE(b.empty());
}

TEST(blit, over_blends_straight_alpha) {
  color32 d = 0xFF000000;
  blend_over(d, 0x80FFFFFF);
  EXPECT_NEAR(int(red_of(d)), 128, 1);
  EXPECT_EQ(alpha_of(d), 255u);
  color32 t = 0;
  blend_over(t, 0x80FF0000);
  EXPECT_EQ(t, 0x80FF0000u);  // over nothing: the source as it is
  color32 u = 0xFF123456;
  blend_over(u, 0xFFABCDEF, 0);
  EXPECT_EQ(u, 0xFF123456u);
  blend_over(u, 0xFFABCDEF);
  EXPECT_EQ(u, 0xFFABCDEFu);
  bitmap dst;
  create(dst, 4, 4);
  fill_rect(dst, -2, 3, 10, 10, 0xFF00FF00);
  EXPECT_EQ(dst.at(0, 3), 0xFF00FF00u);
  EXPECT_EQ(dst.at(3, 2), 0u);
}

}  // namespace
}  // namespace gui
