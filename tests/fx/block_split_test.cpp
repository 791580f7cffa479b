// Reverb, mDelay and Limiter work some things out a piece of a block ahead
// (LFO read positions, the detector's gains) and take a faster path while
// nothing glides. None of that may depend on how the host cuts the audio
// into blocks: the same input in blocks of 256 frames and in blocks of
// 1 to 700 frames (across the 64-frame pieces, the four-frame SIMD steps and
// their remainders) gives the same samples, bit for bit, with settings that
// reach every path.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "tests/fx/fx_runner.h"
#include "tools/analysis/signal.h"

namespace {

using fx_test::runner;
using fx_test::stereo;

struct setting {
  const char* name;
  float value;
};

int index_of(fx::effect& e, const char* name) {
  for (int i = 0; i < e.param_count(); ++i)
    if (std::strcmp(e.desc(i).name, name) == 0) return i;
  return -1;
}

// x through the effect with the settings; blocks of `block` frames, or of
// changing size (1 to 700) when block is 0. `later` is applied at the middle.
stereo render(const char* effect, const std::vector<setting>& settings, const std::vector<setting>& later,
              const stereo& x, int block) {
  runner fx(effect);
  for (const setting& s : settings) {
    const int i = index_of(fx.fx(), s.name);
    EXPECT_GE(i, 0) << effect << " " << s.name;
    fx.set(i, s.value);
  }
  stereo y = x;
  uint32_t r = 12345;
  platform::scoped_fp_mode mode;
  bool changed = false;
  for (size_t at = 0; at < y.size();) {
    r = r * 1664525u + 1013904223u;
    // Both cuttings end a block at the middle, where `later` lands.
    const size_t end = at < y.size() / 2 ? y.size() / 2 : y.size();
    const int n = int(std::min<size_t>(block > 0 ? size_t(block) : 1 + (r >> 8) % 700, end - at));
    if (!changed && at >= y.size() / 2) {
      changed = true;
      for (const setting& s : later) fx.set(index_of(fx.fx(), s.name), s.value);
    }
    float* ch[2] = {y.l.data() + at, y.r.data() + at};
    fx.fx().follow_rate(fx.rate(), n);
    fx.fx().run({ch, ch, n, nullptr}, true);
    at += size_t(n);
  }
  return y;
}

TEST(effect_block_split, reverb_mdelay_and_limiter_give_the_same_samples_however_the_blocks_are_cut) {
  struct scene {
    const char* effect;
    std::vector<setting> settings, later;
  };
  const std::vector<scene> scenes = {
      {"Reverb", {}, {}},
      {"Reverb", {{"Algorithm", 0.f}, {"Depth", 1.f}, {"Rate", 1.f}}, {{"Depth", 0.3f}}},
      {"Reverb", {{"Density", 2.f}}, {{"Size", 0.8f}}},  // a structure swap and fade half-way
      {"mDelay", {}, {}},
      {"mDelay", {{"Shape", 1.f}, {"Mode", 2.f}, {"Depth", 1.f}}, {{"Shape", 0.f}, {"Width", 1.f}}},
      {"Limiter", {{"Threshold", 0.6f}}, {}},
      {"Limiter", {{"Threshold", 0.4f}, {"Stereo-link", 0.f}, {"LTC-comp", 1.f}}, {{"Attack", 0.8f}}},
  };
  const stereo x = fx_test::noise(1.0, 3, 0.8);
  for (const scene& s : scenes) {
    const std::string what = std::string(s.effect) + " with " + std::to_string(s.settings.size()) + " settings";
    const stereo even = render(s.effect, s.settings, s.later, x, 256);
    const stereo ragged = render(s.effect, s.settings, s.later, x, 0);
    ASSERT_GT(analysis::rms(even.l.data(), even.size()), 1e-3) << what;  // something was rendered
    size_t first_difference = SIZE_MAX;
    for (size_t i = 0; i < x.size() && first_difference == SIZE_MAX; ++i)
      if (std::memcmp(&even.l[i], &ragged.l[i], sizeof(float)) != 0 ||
          std::memcmp(&even.r[i], &ragged.r[i], sizeof(float)) != 0)
        first_difference = i;
    EXPECT_EQ(first_difference, SIZE_MAX) << what;
  }
}

}  // namespace
