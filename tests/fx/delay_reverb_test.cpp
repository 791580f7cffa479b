// mDelay and Reverb on processed audio.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/fx/fx_runner.h"
#include "tools/analysis/room.h"
#include "tools/analysis/signal.h"

namespace {

using fx_test::runner;
using fx_test::stereo;

// mDelay with only the delayed signal, no feedback and no modulation.
runner plain_delay(float rate = 44100.f) {
  runner d("mDelay", rate);
  d.set(6, 1.f);    // Mix: wet only
  d.set(2, 0.5f);   // Feedback 0 %
  d.set(8, 0.f);    // Depth
  return d;
}

TEST(mdelay, lines_hold_two_seconds_at_twice_the_rate_in_a_power_of_two) {
  for (auto [rate, entries] : {std::pair{44100.f, 131072}, {96000.f, 262144}, {22050.f, 65536}, {48000.f, 131072}}) {
    runner d("mDelay", rate);
    EXPECT_EQ(d.fx().storage_bytes(), size_t(entries) * 2 * sizeof(float)) << rate;
  }
}

TEST(mdelay, an_impulse_comes_back_at_the_set_time_in_every_routing) {
  runner d = plain_delay();
  d.set(0, 0.5f);  // 0.25 s
  d.set(1, 0.3f);  // 0.09 s
  stereo x = fx_test::pulse(0.5, 100);
  d.run(x);
  EXPECT_NEAR(double(fx_test::loudest(x.l)), 100 + 11025, 4);
  EXPECT_NEAR(double(fx_test::loudest(x.r)), 100 + 3969, 4);
  EXPECT_NEAR(analysis::peak(x.l.data(), x.size()), 1.0, 0.01);

  // Ping-pong: the mono input goes left, then bounces right after both times.
  runner p = plain_delay();
  p.set(0, 0.5f);
  p.set(1, 0.3f);
  p.set(2, 1.f);  // full feedback
  p.set(5, 2.f);
  stereo y = fx_test::pulse(0.5, 100);
  p.run(y);
  EXPECT_NEAR(double(fx_test::loudest(y.l)), 100 + 11025, 4);
  EXPECT_NEAR(double(fx_test::loudest(y.r)), 100 + 11025 + 3969, 6);
  EXPECT_LT(analysis::peak(y.r.data(), 11025), 1e-3);  // nothing on the right before

  // Cross: a left impulse echoes left, then right after both times.
  runner c = plain_delay();
  c.set(0, 0.5f);
  c.set(1, 0.3f);
  c.set(2, 1.f);
  c.set(5, 1.f);
  stereo z = fx_test::pulse(0.5, 100);
  std::fill(z.r.begin(), z.r.end(), 0.f);
  c.run(z);
  EXPECT_NEAR(double(fx_test::loudest(z.l)), 100 + 11025, 4);
  EXPECT_NEAR(double(fx_test::loudest(z.r)), 100 + 11025 + 3969, 6);
}

TEST(mdelay, feedback_sets_the_level_of_each_repeat) {
  runner d = plain_delay();
  d.set(0, 0.3f);
  d.set(2, 0.75f);  // 0.98 * 0.5 = 0.49
  stereo x = fx_test::pulse(0.3, 100);
  d.run(x);
  const size_t first = fx_test::loudest(x.l, 0, 6000), second = fx_test::loudest(x.l, 6000, 10000);
  EXPECT_NEAR(double(second - first), 3969, 3);
  EXPECT_NEAR(x.l[second] / x.l[first], 0.49, 0.03);
}

// A new time glides instead of jumping: the output of a sine never steps more
// than the sine itself could at one and a half times its pitch.
TEST(mdelay, time_changes_glide_without_clicks) {
  for (auto [from, to] : {std::pair{0.3f, 0.6f}, {0.6f, 0.3f}, {0.05f, 0.9f}}) {
    SCOPED_TRACE(testing::Message() << from << " -> " << to);
    runner d = plain_delay();
    d.set(0, from);
    d.set(1, from);
    stereo x = fx_test::sine(440, 1.0, 0.5);
    d.run(x);
    d.set(0, to);
    d.set(1, to);
    stereo y = fx_test::sine(440, 3.0, 0.5);
    d.run(y);
    const double sine_step = 2 * M_PI * 440 / 44100 * 0.5;
    const size_t start = size_t(from * from * 44100) + 50;
    EXPECT_LT(analysis::max_step(x.l.data() + start, x.size() - start), 1.05 * sine_step);
    EXPECT_LT(analysis::max_step(y.l.data(), y.size()), 1.6 * sine_step);
  }
}

stereo reverb_ir(std::initializer_list<std::pair<int, float>> settings, double seconds = 6.0) {
  runner r("Reverb");
  r.set(0, 1.f);  // wet only
  for (auto [i, v] : settings) r.set(i, v);
  stereo x = fx_test::impulse(seconds, 0);
  r.run(x);
  return x;
}

double t60(const stereo& h, double centre = 0) { return analysis::decay_time(h.l.data(), h.size(), 44100, centre); }

TEST(reverb, the_decay_grows_with_decay_and_the_tail_falls_away) {
  const double short_t = t60(reverb_ir({{16, 0.3f}})), mid_t = t60(reverb_ir({})), long_t = t60(reverb_ir({{16, 0.9f}}, 12.0));
  EXPECT_LT(short_t, 0.7 * mid_t);
  EXPECT_LT(mid_t, 0.5 * long_t);
  EXPECT_NEAR(mid_t, 1.9, 0.3);  // the default: a hall
  const stereo h = reverb_ir({});
  const double early = analysis::rms(h.l.data(), 22050), late = analysis::rms(h.l.data() + 4 * 44100, 44100);
  EXPECT_LT(20 * std::log10(late / early), -100.0);
  EXPECT_GT(t60(reverb_ir({{15, 1.f}}), 0), 2 * mid_t);  // a larger room rings longer
}

TEST(reverb, both_algorithms_are_dense_within_50_ms_and_stay_dense) {
  for (float algorithm : {0.f, 1.f}) {
    SCOPED_TRACE(algorithm);
    const stereo h = reverb_ir({{13, algorithm}});
    for (const auto* ch : {&h.l, &h.r}) {
      EXPECT_GE(analysis::echo_density(ch->data(), ch->size(), 44100, 0.05), 0.9);
      for (double t = 0.1; t < 1.2; t += 0.1) EXPECT_GE(analysis::echo_density(ch->data(), ch->size(), 44100, t), 0.85) << t;
    }
    // Left and right are different rooms' worth of reflections, not copies.
    double lr = 0, ll = 0, rr = 0;
    for (size_t i = 2205; i < 44100; ++i) {
      lr += double(h.l[i]) * h.r[i];
      ll += double(h.l[i]) * h.l[i];
      rr += double(h.r[i]) * h.r[i];
    }
    EXPECT_LT(std::fabs(lr) / std::sqrt(ll * rr), 0.3);
  }
}

// Every band decays at the same rate with no damping (each element's gain
// follows its length), and "High" shortens the highs only.
TEST(reverb, damping_shapes_the_decay_per_octave) {
  const stereo flat = reverb_ir({});
  const double mid = t60(flat, 1000);
  for (double c : analysis::octave_centres()) EXPECT_NEAR(t60(flat, c), mid, 0.15 * mid) << c;
  const stereo dark = reverb_ir({{23, 0.5f}});
  EXPECT_LT(t60(dark, 8000), 0.4 * t60(dark, 250));
  const stereo thin = reverb_ir({{22, 0.f}});
  EXPECT_LT(t60(thin, 125), 0.8 * t60(thin, 2000));
}

TEST(reverb, an_unchanged_density_does_not_rebuild_and_a_structural_change_does_not_click) {
  runner a("Reverb"), b("Reverb");
  stereo x = fx_test::noise(1.0, 5, 0.3), y = x;
  a.run(x);
  b.run(y);
  b.set(14, 6.f);  // the value it has
  stereo x2 = fx_test::noise(1.0, 6, 0.3), y2 = x2;
  a.run(x2);
  b.run(y2);
  EXPECT_EQ(x2.l, y2.l);

  runner c("Reverb");
  c.set(0, 1.f);
  stereo n1 = fx_test::noise(1.0, 8, 0.3);
  c.run(n1);
  const double before = analysis::max_step(n1.l.data() + 22050, 22050);
  c.set(15, 0.9f);  // a new size: a new tail, the old one fades
  stereo n2 = fx_test::noise(0.5, 9, 0.3);
  c.run(n2);
  EXPECT_LT(analysis::max_step(n2.l.data(), 4410), 1.5 * before);
  EXPECT_GT(c.fx().storage_bytes(), size_t(44100 * 4));
}

}  // namespace
