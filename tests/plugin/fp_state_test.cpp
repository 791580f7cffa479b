// Hosts call in with whatever floating-point state they run in: SSE rounding
// modes, x87 precision cut to 24 bits, unmasked x87 exceptions. The plug-in
// must render the same audio in every such state, and hand the state back as
// it found it after every call.
#include <gtest/gtest.h>

#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "synth/param_table.h"
#include "tools/vsthost/plugin_instance.h"
#include "tools/vsthost/plugin_library.h"

namespace {

struct fp_state {
  unsigned mxcsr;  // control bits only: the exception flags are the host's business
  uint16_t x87;
};

constexpr unsigned mxcsr_flags = 0x3F;

fp_state read_state() {
  fp_state s{_mm_getcsr() & ~mxcsr_flags, 0};
  __asm__ volatile("fnstcw %0" : "=m"(s.x87));
  return s;
}

void write_state(fp_state s) {
  __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(s.x87));
  _mm_setcsr(s.mxcsr);
}

constexpr fp_state default_state{0x1F80, 0x037F};

// What hosts have been seen to leave behind.
const fp_state hostile_states[] = {
    {0x1F80 | 0x4000, 0x037F},           // SSE rounding up
    {0x1F80 | 0x8040 | 0x2000, 0x037F},  // SSE flushing and rounding down
    {0x1F80, 0x007F | 0x0800},           // x87 at 24-bit precision, rounding up (Direct3D's habit)
    {0x1F80, 0x027F | 0x0400},           // x87 at 53-bit precision (the MSVC default), rounding down
    {0x1F80, 0x037F & ~0x000D},          // x87 traps on invalid, zero-divide and overflow
};

std::string describe(fp_state s) {
  char text[48];
  std::snprintf(text, sizeof text, "MXCSR %04X, x87 %04X", s.mxcsr, unsigned(s.x87));
  return text;
}

// Every host call of a short session made in state s: set-up, parameters that
// reach pow/exp-based coefficients, a chord with LFO and filter movement, its
// release. Fails the test if a call returns with another state.
std::vector<float> render_session(const vsthost::plugin_library& library, fp_state s) {
  constexpr int32_t block = 256, blocks = 48;
  std::vector<float> out;
  write_state(s);
  vsthost::plugin_instance plugin;
  std::string error;
  const bool created = plugin.create(library, error);
  auto check = [&](const char* after) {
    const fp_state now = read_state();
    write_state(s);
    EXPECT_EQ(describe(now), describe(s)) << "after " << after;
  };
  if (created) {
    check("the entry call");
    plugin.set_sample_rate(48000.0);
    plugin.set_block_size(block);
    check("the rate and block size");
    const std::pair<int, float> settings[] = {
        {synth::p::filter_frequency, 0.35f}, {synth::p::filter_resonance, 0.6f},
        {synth::p::filter_mod_a, 0.8f},      {synth::p::mod_a_rate, 0.7f},
        {synth::p::env_a_attack, 0.2f},      {synth::p::env_a_release, 0.4f},
        {synth::p::shaper_depth, 0.5f},      {synth::p::osc_b_fine, 0.62f}};
    for (auto [index, value] : settings) plugin.set_parameter(index, value);
    check("the parameters");
    plugin.resume();
    std::vector<float> left(block), right(block);
    for (int b = 0; b < blocks; ++b) {
      if (b == 0)
        for (uint8_t key : {48, 55, 60, 64}) plugin.queue_midi(17 * key % block, 0x90, key, 100);
      if (b == blocks / 2)
        for (uint8_t key : {48, 55, 60, 64}) plugin.queue_midi(3, 0x80, key, 0);
      plugin.process(left.data(), right.data(), block);
      check("a processing call");
      out.insert(out.end(), left.begin(), left.end());
      out.insert(out.end(), right.begin(), right.end());
    }
    plugin.suspend();
    plugin.close();
    check("closing");
  }
  write_state(default_state);
  EXPECT_TRUE(created) << error;
  return out;
}

}  // namespace

TEST(fp_state, host_floating_point_state_neither_changes_the_audio_nor_leaks) {
  vsthost::plugin_library library;
  std::string error;
  ASSERT_TRUE(library.open(VORN_PLUGIN_PATH, error)) << error;
  const std::vector<float> reference = render_session(library, default_state);
  ASSERT_FALSE(reference.empty());
  float peak = 0.f;
  for (float v : reference) peak = std::max(peak, std::abs(v));
  ASSERT_GT(peak, 0.01f) << "the session must make sound for the comparison to mean anything";
  for (const fp_state& s : hostile_states) {
    SCOPED_TRACE(describe(s));
    const std::vector<float> got = render_session(library, s);
    ASSERT_EQ(got.size(), reference.size());
    size_t differing = 0, first = 0;
    for (size_t i = 0; i < got.size(); ++i)
      if (std::memcmp(&got[i], &reference[i], sizeof(float)) != 0 && differing++ == 0) first = i;
    EXPECT_EQ(differing, 0u) << "first at sample " << first << ": " << got[first] << " vs " << reference[first];
  }
}
