// Clicks on changes: a parameter turned in one step, an effect put into or
// taken out of a slot while a note sounds. The measure is the largest
// sample-to-sample step of the output after the change against the largest
// step of the steady output under the old and under the new setting (a sine
// at a musical level, -12 dBFS at 440 Hz); a click shows as a step several
// times the signal's own slope.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

#include "fx/chain.h"
#include "tests/fx/fx_runner.h"
#include "tools/analysis/signal.h"

namespace {

using fx_test::runner;
using fx_test::stereo;

constexpr int block = 256;
constexpr double seconds = 1.5;
constexpr size_t change_at = 172 * block;                       // about 1 s in
constexpr size_t window = size_t(0.4 * fx_test::rate44);         // after the change
constexpr double max_ratio = 2.0;

stereo note() { return fx_test::sine(440, seconds, 0.25); }

// From the sample before `from`: a jump right at the change counts.
double largest_step(const stereo& y, size_t from, size_t n) {
  --from;
  ++n;
  return std::max(analysis::max_step(y.l.data() + from, n), analysis::max_step(y.r.data() + from, n));
}

// Runs the note through a fresh effect in blocks; `at_change` runs before the
// block that starts at change_at (when given).
stereo render(const char* name, const std::function<void(runner&)>& setup,
              const std::function<void(runner&, size_t)>& per_block) {
  runner fx(name);
  if (setup) setup(fx);
  stereo x = note();
  for (size_t at = 0; at < x.size(); at += block) {
    if (per_block) per_block(fx, at);
    const size_t n = std::min<size_t>(block, x.size() - at);
    stereo piece(n);
    std::copy_n(x.l.begin() + long(at), n, piece.l.begin());
    std::copy_n(x.r.begin() + long(at), n, piece.r.begin());
    fx.run(piece, block);
    std::copy_n(piece.l.begin(), n, x.l.begin() + long(at));
    std::copy_n(piece.r.begin(), n, x.r.begin() + long(at));
  }
  return x;
}

// Largest step after the change relative to the steady output's under the
// setting before and the setting after.
double click_ratio(const stereo& changed, const stereo& before, const stereo& after) {
  const double steady = std::max(largest_step(before, change_at, window), largest_step(after, change_at, window));
  return largest_step(changed, change_at, window) / steady;
}

void report(const std::string& what, double ratio) {
  std::fprintf(stderr, "%-40s largest step %.2fx the steady signal's\n", what.c_str(), ratio);
}

// One parameter of an effect set from `from` to `to` in one step.
double parameter_step(const char* name, int index, float from, float to,
                      const std::function<void(runner&)>& setup = nullptr) {
  auto with = [&](float v) {
    return [&, v](runner& fx) {
      if (setup) setup(fx);
      fx.set(index, v);
    };
  };
  const stereo before = render(name, with(from), nullptr), after = render(name, with(to), nullptr);
  const stereo changed = render(name, with(from), [&](runner& fx, size_t at) {
    if (at == change_at) fx.set(index, to);
  });
  return click_ratio(changed, before, after);
}

TEST(effect_clicks, mdelay_parameters_glide_instead_of_jumping) {
  enum { feedback = 2, low_cut = 3, high_cut = 4, rate = 7, width = 9, shape = 10 };
  struct step {
    const char* what;
    int index;
    float from, to;
  };
  const step steps[] = {{"mDelay Feedback 0.33 -> 1", feedback, 0.33f, 1.f},
                        {"mDelay Feedback 0.5 -> 0", feedback, 0.5f, 0.f},
                        {"mDelay Low-cut 0 -> 1", low_cut, 0.f, 1.f},
                        {"mDelay High-cut 1 -> 0", high_cut, 1.f, 0.f},
                        {"mDelay Rate 0 -> 1", rate, 0.f, 1.f},
                        {"mDelay Width 0 -> 1", width, 0.f, 1.f},
                        {"mDelay Shape 0 -> 1", shape, 0.f, 1.f}};
  for (const step& s : steps) {
    // Deep modulation makes Rate, Width and Shape audible in the read position.
    const double r = parameter_step("mDelay", s.index, s.from, s.to, [&](runner& fx) {
      if (s.index >= rate) fx.set(8, 1.f);
    });
    report(s.what, r);
    EXPECT_LE(r, max_ratio) << s.what;
  }
}

TEST(effect_clicks, gate_threshold_automation_with_attack_off_ramps_the_gain) {
  enum { threshold = 0, attack = 4, release = 6 };
  for (float release_value : {0.2f, 0.f}) {
    auto setup = [release_value](runner& fx) {
      fx.set(attack, 0.f);  // "Off"
      fx.set(release, release_value);
    };
    // Opening: the threshold falls below the note; closing: it rises above it.
    const double open = parameter_step("Gate", threshold, 1.f, 0.5f, setup);
    const double close = parameter_step("Gate", threshold, 0.5f, 1.f, setup);
    report("Gate opening, Attack Off, Release " + std::to_string(release_value), open);
    report("Gate closing, Attack Off, Release " + std::to_string(release_value), close);
    EXPECT_LE(open, max_ratio);
    EXPECT_LE(close, max_ratio);
  }
}

TEST(effect_clicks, limiter_attack_sweep_moves_the_lookahead_smoothly) {
  enum { attack = 0, ltc_comp = 9 };
  for (float ltc : {0.f, 1.f}) {
    auto with = [ltc](float a) {
      return [ltc, a](runner& fx) {
        fx.set(ltc_comp, ltc);
        fx.set(attack, a);
      };
    };
    const stereo before = render("Limiter", with(0.f), nullptr), after = render("Limiter", with(1.f), nullptr);
    // Automation: a block-by-block sweep from 0 to 1 over 0.3 s, then back.
    const double sweep_blocks = 0.3 * fx_test::rate44 / block;
    const stereo changed = render("Limiter", with(0.f), [&](runner& fx, size_t at) {
      if (at < change_at) return;
      const double k = double(at - change_at) / block / sweep_blocks;
      fx.set(attack, float(k <= 1 ? k : std::max(0.0, 2 - k)));
    });
    const double r = click_ratio(changed, before, after);
    report(std::string("Limiter Attack sweep, LTC-comp ") + (ltc > 0 ? "on" : "off"), r);
    EXPECT_LE(r, max_ratio);
  }
}

// The chain with one slot changed at change_at while the note plays.
stereo chain_render(const char* first, const char* second, bool change) {
  platform::lock lock;
  fx::chain chain(lock);
  if (first) chain.set_effect(0, first);
  stereo x = note();
  platform::scoped_fp_mode mode;
  for (size_t at = 0; at < x.size(); at += block) {
    if (change && at == change_at) chain.set_effect(0, second ? second : "-");
    chain.run(x.l.data() + at, x.r.data() + at, int(std::min<size_t>(block, x.size() - at)), fx_test::rate44);
  }
  return x;
}

TEST(effect_clicks, a_slot_change_crossfades_between_the_old_and_the_new_sound) {
  struct change {
    const char* from;
    const char* to;
  };
  const change changes[] = {{nullptr, "mDelay"}, {nullptr, "Tremolo"}, {nullptr, "Reverb"},
                            {"Tremolo", nullptr}, {"mDelay", nullptr},   {"Tremolo", "Rectifier"},
                            {"Reverb", "mDelay"}};
  for (const change& c : changes) {
    const std::string what = std::string("slot ") + (c.from ? c.from : "empty") + " -> " + (c.to ? c.to : "empty");
    const stereo before = chain_render(c.from, nullptr, false), after = chain_render(c.to, nullptr, false);
    const stereo changed = chain_render(c.from, c.to, true);
    const double r = click_ratio(changed, before, after);
    report(what, r);
    EXPECT_LE(r, max_ratio) << what;
  }
}

}  // namespace
