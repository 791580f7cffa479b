#include "synth/dsp/phase_lanes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/fp_mode.h"
#include "synth/dsp/oscillator.h"
#include "synth/dsp/svf_lanes.h"
#include "tests/support/lane_kernels.h"

using namespace synth;

namespace {

uint32_t bits(float x) { return test_support::float_bits(x); }

}  // namespace

TEST(phase_lanes, every_phase_taken_is_add_increments_and_nearly_all_are_taken) {
  // A phase sweeping up to its wrap and down through zero, at pitches from
  // note 0 at 192 kHz to Nyquist, in the default rounding and in the
  // processing call's (toward zero, flushing): the lanes stop before the
  // event, give add_increment's phase and compensation bit for bit, and take
  // all but a few samples of each stretch, through either kernel.
  for (svf_lanes::kernel kernel : test_support::available_kernels()) {
    test_support::forced_kernel forced(kernel);
    for (bool processing : {false, true}) {
      platform::scoped_fp_mode mode(processing ? platform::processing_fp_mode : platform::control_fp_mode);
      for (float inc : {4.3e-5f, 7.1e-4f, 0.0099773f, 0.0131f, 0.137f, 0.31f, 0.5f, -0.0131f, -0.29f}) {
        for (bool per_sample : {false, true}) {
          SCOPED_TRACE(std::to_string(inc) + (per_sample ? " per sample" : " fixed") +
                       (processing ? ", toward zero" : ", nearest") +
                       (kernel == svf_lanes::kernel::avx2 ? ", AVX2" : ", SSE2"));
          const int n = 3000;
          // Per sample: a vibrato, past the limit at Nyquist, and a NaN.
          std::vector<float> given(n), increment(n), phases(n);
          for (int i = 0; i < n; ++i) {
            given[size_t(i)] = per_sample ? inc * (1.f + 0.01f * std::sin(0.01f * float(i))) : inc;
            if (per_sample && i == 1234) given[size_t(i)] = std::nanf("");
            increment[size_t(i)] = std::isnan(given[size_t(i)]) ? 0.f : std::clamp(given[size_t(i)], -0.5f, 0.5f);
          }
          float phase = inc > 0.f ? 0.f : 1.f, lost = 0.f;
          int taken = 0, stretches = 0;
          for (int i = 0; i < n;) {
            phase_lanes::run_io io{phase, lost, per_sample ? &given[size_t(i)] : nullptr, inc, 1.f, 0.f, n - i,
                                   &phases[size_t(i)]};
            const int m = phase_lanes::run(io);
            ++stretches;
            for (int k = 0; k < m; ++k) {
              add_increment(phase, lost, increment[size_t(i + k)]);
              ASSERT_EQ(bits(phases[size_t(i + k)]), bits(phase)) << "@" << i + k;
              ASSERT_TRUE(inc > 0.f ? phase < 1.f : phase > 0.f) << "an event taken @" << i + k;
            }
            ASSERT_EQ(bits(io.phase), bits(phase));
            ASSERT_EQ(bits(io.lost), bits(lost));
            taken += m;
            i += m;
            if (i == n) break;
            // The sample they left: stepped here, wrapped as the oscillator's
            // event does it (the phase restarts from the level, plus the
            // increment times the time past it).
            const float d = increment[size_t(i)];
            add_increment(phase, lost, d);
            if (d >= 0.f && phase >= 1.f) phase = 0.f + d * ((phase - 1.f) / d), lost = 0.f;
            if (d < 0.f && phase <= 0.f) phase = 1.f + d * (phase / d), lost = 0.f;
            ++i;
          }
          // Every stretch ends at an event or a guess that failed: at most a
          // few per cycle.
          const double cycles = std::fabs(double(inc)) * n;
          EXPECT_LE(stretches, 4 * cycles + 4);
          EXPECT_GE(taken, n - 4 * (cycles + 1) - 1);
        }
      }
    }
  }
}
