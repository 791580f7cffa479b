// The fast forms of Reverb and mDelay (delay lines several to a register,
// read positions worked out ahead) against their plain, sample by sample
// forms: the same input and settings give the same samples, bit for bit,
// with the SSE2 kernels and, where the CPU has it, the AVX2 ones, with
// settings that reach the corners of each (every element count and so
// every padding of the last register of four or eight, one register of
// eight and two, self-fed elements below three, reads at the modulation's
// floor, lines shorter than a register, structure swaps and glides
// half-way, every routing, delays of one sample).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "fx/form.h"
#include "tests/fx/fx_runner.h"
#include "tools/analysis/signal.h"

namespace {

using fx_test::runner;
using fx_test::stereo;

using settings = std::vector<std::pair<int, float>>;

struct scene {
  std::string what;
  settings first, later;  // later: applied half-way
  float rate = fx_test::rate44;
};

// Puts the form back when a test leaves, also through a fatal assertion.
class forced_form {
 public:
  explicit forced_form(fx::form f) : before_(fx::active_form()) { fx::force_form(f); }
  ~forced_form() { fx::force_form(before_); }
  forced_form(const forced_form&) = delete;
  forced_form& operator=(const forced_form&) = delete;

 private:
  fx::form before_;
};

// The same for the fast forms' kernel.
class forced_kernel {
 public:
  explicit forced_kernel(fx::kernel k) : before_(fx::active_kernel()) { fx::force_kernel(k); }
  ~forced_kernel() { fx::force_kernel(before_); }
  forced_kernel(const forced_kernel&) = delete;
  forced_kernel& operator=(const forced_kernel&) = delete;

 private:
  fx::kernel before_;
};

// The kernels this CPU runs: SSE2 always, AVX2 where it has it.
std::vector<std::pair<fx::kernel, const char*>> kernels() {
  std::vector<std::pair<fx::kernel, const char*>> k = {{fx::kernel::sse2, "SSE2"}};
  if (fx::avx2_available()) k.push_back({fx::kernel::avx2, "AVX2"});
  return k;
}

stereo render(fx::form f, const char* effect, const scene& s, const stereo& x) {
  forced_form hold(f);
  runner r(effect, s.rate);
  for (auto [i, v] : s.first) r.set(i, v);
  stereo a(x.size() / 2), b(x.size() - x.size() / 2);
  std::copy_n(x.l.begin(), a.size(), a.l.begin());
  std::copy_n(x.r.begin(), a.size(), a.r.begin());
  std::copy(x.l.begin() + long(a.size()), x.l.end(), b.l.begin());
  std::copy(x.r.begin() + long(a.size()), x.r.end(), b.r.begin());
  r.run(a, 100);  // pieces of 64 frames and their remainders
  for (auto [i, v] : s.later) r.set(i, v);
  r.run(b, 256);
  stereo y(x.size());
  std::copy(a.l.begin(), a.l.end(), y.l.begin());
  std::copy(a.r.begin(), a.r.end(), y.r.begin());
  std::copy(b.l.begin(), b.l.end(), y.l.begin() + long(a.size()));
  std::copy(b.r.begin(), b.r.end(), y.r.begin() + long(a.size()));
  return y;
}

// The first frame where the two differ in any bit, or SIZE_MAX.
size_t first_difference(const stereo& p, const stereo& q) {
  for (size_t i = 0; i < p.size(); ++i)
    if (std::memcmp(&p.l[i], &q.l[i], sizeof(float)) != 0 || std::memcmp(&p.r[i], &q.r[i], sizeof(float)) != 0)
      return i;
  return SIZE_MAX;
}

void expect_same(const char* effect, const std::vector<scene>& scenes) {
  for (const scene& s : scenes) {
    SCOPED_TRACE(s.what);
    // Noise past the half-way change, then silence for the tails to ring out.
    stereo x = fx_test::noise(1.2, 7, 0.7, s.rate);
    for (size_t i = x.size() * 3 / 5; i < x.size(); ++i) x.l[i] = x.r[i] = 0.f;
    const stereo plain = render(fx::form::plain, effect, s, x);
    ASSERT_GT(analysis::rms(plain.l.data() + x.size() / 2, x.size() / 2), 1e-5);  // still sounding
    for (auto [k, name] : kernels()) {
      SCOPED_TRACE(name);
      forced_kernel hold(k);
      ASSERT_EQ(fx::active_kernel(), k);
      const stereo fast = render(fx::form::fast, effect, s, x);
      EXPECT_EQ(first_difference(plain, fast), SIZE_MAX);
    }
  }
}

// Reverb parameter indices.
constexpr int mix = 0, rate = 2, depth = 3, pre_delay = 4, diff_delay = 8, diff_density = 10, diff_spread = 11,
              algorithm = 13, density = 14, size = 15, decay = 16, width = 17, spread = 20;

TEST(fast_form, the_reverb_network_gives_the_plain_forms_samples_for_every_element_count) {
  std::vector<scene> scenes;
  for (int n = 1; n <= 16; ++n)
    scenes.push_back({"density " + std::to_string(n), {{mix, 1.f}, {density, float(n)}, {decay, 0.8f}}, {}});
  expect_same("Reverb", scenes);
}

TEST(fast_form, the_reverb_gives_the_plain_forms_samples_at_its_corners) {
  expect_same("Reverb", {
      {"defaults", {}, {}},
      {"modulation at its floor", {{mix, 1.f}, {depth, 1.f}, {rate, 1.f}, {size, 0.f}, {spread, 1.f}}, {}},
      {"long pre-delay, gliding", {{mix, 0.5f}, {pre_delay, 1.f}, {width, 0.3f}}, {{pre_delay, 0.2f}}},
      {"a structure swap half-way", {{mix, 1.f}, {density, 7.f}}, {{size, 0.9f}, {density, 3.f}}},
      {"the ring beside the network", {{algorithm, 0.f}, {mix, 1.f}}, {{algorithm, 1.f}}},
      {"diffusers of two and three samples at 4 kHz",
       {{mix, 1.f}, {diff_delay, 0.f}, {diff_density, 1.f}, {diff_spread, 1.f}, {size, 0.f}}, {}, 4000.f},
      {"192 kHz", {{mix, 1.f}, {size, 1.f}, {density, 11.f}}, {}, 192000.f},
  });
}

// mDelay parameter indices.
constexpr int left = 0, right = 1, feedback = 2, low_cut = 3, mode = 5, d_mix = 6, d_rate = 7, d_depth = 8,
              d_width = 9, shape = 10;

TEST(fast_form, the_mdelay_gives_the_plain_forms_samples_in_every_routing_and_shape) {
  std::vector<scene> scenes;
  for (int m = 0; m < 3; ++m)
    for (float s : {0.f, 0.5f, 1.f})
      scenes.push_back({"mode " + std::to_string(m) + " shape " + std::to_string(s),
                        {{mode, float(m)}, {shape, s}, {feedback, 0.9f}, {d_depth, 1.f}, {d_rate, 0.7f}, {d_mix, 0.7f}},
                        {}});
  scenes.push_back({"one-sample delays", {{left, 0.f}, {right, 0.001f}, {feedback, 0.95f}, {d_mix, 1.f}}, {}});
  scenes.push_back({"times, width and low cut gliding half-way", {{feedback, 0.8f}},
                    {{left, 0.2f}, {right, 0.6f}, {d_width, 1.f}, {low_cut, 0.3f}}});
  scenes.push_back({"96 kHz", {{feedback, 0.85f}, {d_depth, 0.6f}}, {}, 96000.f});
  expect_same("mDelay", scenes);
}

}  // namespace
