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

TEST(phase_lanes, offers_shorter_than_a_register_take_add_increments_phases_and_read_nothing_past_the_end) {
  // Every offer from 1 to 19 samples, each array ending right at the offer's
  // end (the last register cut short, read through the tail), at a vibrato
  // that never reaches an event: the phases taken are add_increment's, and
  // most of each offer is taken, through either kernel.
  for (svf_lanes::kernel kernel : test_support::available_kernels()) {
    test_support::forced_kernel forced(kernel);
    SCOPED_TRACE(kernel == svf_lanes::kernel::avx2 ? "AVX2" : "SSE2");
    float phase = 0.1f, lost = 0.f;
    int offered = 0, taken = 0;
    for (int round = 0; round < 40; ++round) {
      for (int n = 1; n <= 19; ++n) {
        // Exactly n increments on the heap: a read past them is caught by
        // the address sanitizer build.
        std::vector<float> increment(static_cast<size_t>(n)), phases(static_cast<size_t>(n), -1.f);
        for (int k = 0; k < n; ++k)
          increment[size_t(k)] = 1e-4f * (1.f + 0.3f * std::sin(0.37f * float(round * 19 + k)));
        phase_lanes::run_io io{phase, lost, increment.data(), 0.f, 1.f, 0.f, n, phases.data()};
        const int m = phase_lanes::run(io);
        ASSERT_LE(m, n);
        for (int k = 0; k < m; ++k) {
          add_increment(phase, lost, increment[size_t(k)]);
          ASSERT_EQ(bits(phases[size_t(k)]), bits(phase)) << "offer " << n << " @" << k;
        }
        ASSERT_EQ(bits(io.phase), bits(phase));
        ASSERT_EQ(bits(io.lost), bits(lost));
        for (int k = m; k < n; ++k) add_increment(phase, lost, increment[size_t(k)]);  // the caller's steps
        offered += n;
        taken += m;
      }
    }
    ASSERT_LT(phase, 1.f);  // no event was offered
    EXPECT_GE(taken, offered * 3 / 4);
  }
}
