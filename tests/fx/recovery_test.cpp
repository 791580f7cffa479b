// Every effect after a block holding one NaN and one +inf sample: from the
// next block on its output is finite again, and once its own history has
// died away it sounds as an instance that never saw the bad samples.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "fx/registry.h"
#include "tests/fx/fx_runner.h"
#include "tools/analysis/signal.h"

namespace {

using fx_test::runner;
using fx_test::stereo;

constexpr int block = 256;
constexpr int poisoned_block = 40;                     // 0.23 s in
constexpr double compared_seconds = 0.25;              // the end of the run
// Long enough for the defaults' memories to die away; the long-memory
// settings (Reverb's long decay, Phaser at full feedback) ring for seconds.
double run_seconds(bool long_settings) { return long_settings ? 8.0 : 3.0; }

// Settings under which each effect's history matters most: long feedback,
// long holds, deep modulation, oversampling.
struct setting {
  const char* effect;
  const char* param;
  float value;
};
constexpr setting long_memory[] = {
    {"mDelay", "Feedback", 0.9f},   {"mDelay", "Mix", 1.f},        {"Reverb", "Decay", 0.8f},
    {"Reverb", "Mix", 1.f},         {"Phaser", "Feedback", 1.f},   {"Phaser", "Stages", 7.f},
    {"Limiter", "Threshold", 0.5f}, {"Compressor", "Threshold", 0.8f}, {"Follower", "Hold", 1.f},
    {"Follower", "Release", 1.f},   {"Tone", "Auto", 1.f},         {"Tone", "Steep", 3.f},
    {"Multiplier", "Oversample", 1.f}, {"Multiplier", "Mod", 1.f}, {"Multiplier", "Mode", 2.f},
    {"Ringmod", "Timbre", 0.5f},    {"RC Filter", "Mode", 7.f},    {"RC Filter", "Frequency", 0.3f},
    {"Quantizer", "Jitter", 0.5f},  {"Quantizer", "Dither", 0.5f}, {"Gate", "Attack", 0.5f},
    {"Gate", "Hold", 1.f},          {"Clipper", "Oversample", 1.f}, {"Clipper", "Clip", 0.5f},
    {"Rectifier", "Oversample", 1.f}, {"Tremolo", "Depth", 1.f},
};

void apply_long_memory(runner& fx) {
  for (const setting& s : long_memory) {
    if (std::strcmp(s.effect, fx.fx().name()) != 0) continue;
    for (int i = 0; i < fx.fx().param_count(); ++i)
      if (std::strcmp(fx.fx().desc(i).name, s.param) == 0) {
        fx.set(i, s.value);
        break;
      }
  }
}

// Two notes a fifth apart at a musical level, so filters and followers move.
stereo music(double seconds) {
  stereo a = fx_test::sine(220, seconds, 0.25), b = fx_test::sine(330, seconds, 0.2);
  for (size_t i = 0; i < a.size(); ++i) {
    a.l[i] += b.l[i];
    a.r[i] = a.r[i] * 0.8f + b.r[i];
  }
  return a;
}

bool block_finite(const stereo& x, size_t at) {
  return analysis::all_finite(x.l.data() + at, block) && analysis::all_finite(x.r.data() + at, block);
}

struct outcome {
  int blocks_to_recover;  // after the poisoned block; -1: never
  double difference_db;   // rms of (recovered - clean) over rms of clean, at the end
};

outcome poison(const char* name, bool long_settings) {
  runner clean(name), hit(name);
  if (long_settings) {
    apply_long_memory(clean);
    apply_long_memory(hit);
  }
  stereo x = music(run_seconds(long_settings));
  stereo y = x;
  const size_t at = size_t(poisoned_block * block);
  y.l[at + 17] = std::numeric_limits<float>::quiet_NaN();
  y.r[at + 130] = std::numeric_limits<float>::infinity();
  x.l[at + 17] = x.r[at + 130] = 0.f;  // the clean run hears silence there
  clean.run(x, block);
  hit.run(y, block);

  outcome o{-1, 0.0};
  const size_t blocks = y.size() / block;
  for (size_t k = blocks; k-- > size_t(poisoned_block) + 1;) {
    if (!block_finite(y, k * block)) break;
    o.blocks_to_recover = int(k) - poisoned_block - 1;
  }
  const size_t n = size_t(compared_seconds * fx_test::rate44), from = blocks * block - n;
  std::vector<float> diff(n);
  double e = 0, r = 0;
  for (size_t i = from; i < from + n; ++i) {
    e += double(y.l[i] - x.l[i]) * double(y.l[i] - x.l[i]) + double(y.r[i] - x.r[i]) * double(y.r[i] - x.r[i]);
    r += double(x.l[i]) * double(x.l[i]) + double(x.r[i]) * double(x.r[i]);
  }
  o.difference_db = std::isfinite(e) ? 10 * std::log10((e + 1e-30) / (r + 1e-30)) : 999.0;
  return o;
}

TEST(effect_recovery, one_nan_and_one_infinity_leave_every_effect_finite_from_the_next_block) {
  for (const fx::registry_entry* r = fx::registry_begin(); r != fx::registry_end(); ++r) {
    for (bool long_settings : {false, true}) {
      SCOPED_TRACE(std::string(r->name) + (long_settings ? " (long memory)" : " (defaults)"));
      const outcome o = poison(r->name, long_settings);
      std::fprintf(stderr, "%-11s %-9s recovers after %d blocks, differs by %.1f dB at the end\n", r->name,
                   long_settings ? "long" : "defaults", o.blocks_to_recover, o.difference_db);
      EXPECT_EQ(o.blocks_to_recover, 0);
      // Close to the clean run once the effect's own history has died away.
      EXPECT_LT(o.difference_db, -40.0);
    }
  }
}

TEST(effect_recovery, a_finite_block_is_told_from_one_with_a_nan_or_an_infinity) {
  std::vector<float> x(67, 0.5f);
  x[3] = std::numeric_limits<float>::max();
  x[4] = -std::numeric_limits<float>::denorm_min();
  EXPECT_TRUE(fx::all_finite(x.data(), int(x.size())));
  for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                    -std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::quiet_NaN()}) {
    std::vector<float> y = x;
    y[66] = bad;
    EXPECT_FALSE(fx::all_finite(y.data(), int(y.size()))) << bad;
    fx::scrub(y.data(), y.size());
    std::vector<float> expected = x;
    expected[66] = 0.f;  // only the bad sample is touched
    EXPECT_EQ(y, expected);
  }
}

}  // namespace
