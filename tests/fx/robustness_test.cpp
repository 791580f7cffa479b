// Every effect with random settings (extremes included) on full-scale noise,
// square waves and silence, in blocks of changing size: finite, bounded
// output and not one heap call while processing (heap_counter.h; counting is
// on only around the runs).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fx/factories.h"
#include "tests/fx/fx_runner.h"
#include "tests/support/heap_counter.h"
#include "tools/analysis/random_settings.h"
#include "tools/analysis/signal.h"

namespace {

using analysis::random_source;
using analysis::random_value;

// Runs x through the effect in blocks of random size, counting heap calls.
void run_counted(fx_test::runner& fx, fx_test::stereo& x, random_source& r) {
  platform::scoped_fp_mode mode;
  fx_test::stereo side = fx_test::noise(double(x.size()) / 44100.0, 11, 0.5);
  for (size_t at = 0; at < x.size();) {
    const int n = int(std::min<size_t>(1 + r.next() % 512, x.size() - at));
    float* ch[2] = {x.l.data() + at, x.r.data() + at};
    float* sc[2] = {side.l.data() + at, side.r.data() + at};
    counting = true;
    fx.fx().follow_rate(44100.f, n);
    fx.fx().run({ch, ch, n, sc}, true);
    counting = false;
    at += size_t(n);
  }
}

void exercise(std::unique_ptr<fx::effect> e, uint32_t seed) {
  const std::string name = e->name();
  fx_test::runner fx(std::move(e));
  random_source r{seed};
  for (int set = 0; set < 12; ++set) {
    for (int i = 0; i < fx.fx().param_count(); ++i) fx.set(i, random_value(fx.fx().desc(i), r));
    const fx_test::stereo signals[] = {fx_test::noise(0.25, seed + uint32_t(set)), fx_test::square(100, 0.25),
                                       fx_test::square(5000, 0.25), fx_test::stereo(size_t(0.25 * 44100))};
    for (const fx_test::stereo& s : signals) {
      fx_test::stereo x = s;
      heap_calls = 0;
      run_counted(fx, x, r);
      ASSERT_EQ(heap_calls.load(), 0) << name << " set " << set;
      ASSERT_TRUE(analysis::all_finite(x.l.data(), x.size()) && analysis::all_finite(x.r.data(), x.size()))
          << name << " set " << set;
      // +48 dB of make-up on full scale is the loudest any setting may be.
      EXPECT_LT(analysis::peak(x.l.data(), x.size()), 300.0) << name << " set " << set;
      EXPECT_LT(analysis::peak(x.r.data(), x.size()), 300.0) << name << " set " << set;
    }
  }
}

TEST(effect_robustness, random_settings_on_noise_squares_and_silence_stay_finite_and_never_allocate) {
#ifndef VORN_COUNT_ALLOCATIONS
  std::fprintf(stderr, "heap calls are not counted under a sanitizer\n");
#endif
  uint32_t seed = 1;
  for (const fx::registry_entry* r = fx::registry_begin(); r != fx::registry_end(); ++r) {
    SCOPED_TRACE(r->name);
    exercise(r->make(), seed++ * 7919u);
  }
  SCOPED_TRACE("mmFilter");
  exercise(fx::make_mm_filter(), 4242u);
}

}  // namespace
