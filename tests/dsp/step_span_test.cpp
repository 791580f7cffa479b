// step_span, the multi-ramp chunk's step ring laid out in time, against the
// ring it unrolls, through the SSE2 and the AVX2 insertion kernel: wraps at
// every position of the aligned groups, several in one sample, rising and
// falling ramps, sub-sample times on and beyond the table's edges, rings that
// start from every index with 0..16 pops pending, and chunks of every length
// class. Every pop, the held value and the ring left behind equal
// insert_correction and pop sample by sample, bit for bit.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "synth/dsp/step_span.h"
#include "tests/support/lane_kernels.h"

using namespace synth;

namespace {

constexpr int32_t max_ramps = multi_ramp_lanes::max_ramps;

struct chunk_case {
  std::vector<uint32_t> wraps;
  std::vector<float> increment;
  std::vector<std::array<float, max_ramps>> past;
  float ratio[max_ramps];
};

// A small deterministic generator (the cases must be the same every run).
struct lcg {
  uint32_t s;
  uint32_t next() { return s = s * 1664525u + 1013904223u; }
  float unit() { return float(next() >> 8) * 0x1p-24f; }  // [0, 1)
};

// n samples whose ramps wrap with odds `density` (in 1/256) each; a few
// samples where every ramp wraps; pasts from the level to a whole step on
// (t in [0, 1]), with some on and beyond the table's edges.
chunk_case make_case(int32_t n, uint32_t density, uint32_t seed, bool falling) {
  chunk_case c;
  lcg r{seed};
  for (int32_t k = 0; k < max_ramps; ++k) c.ratio[k] = (0.8f + 0.4f * r.unit()) * (falling && k % 3 == 1 ? -1.f : 1.f);
  c.wraps.resize(size_t(n));
  c.increment.resize(size_t(n));
  c.past.resize(size_t(n));
  for (int32_t i = 0; i < n; ++i) {
    c.increment[size_t(i)] = 0.01f + 0.03f * r.unit();
    uint32_t w = 0;
    for (int32_t k = 0; k < max_ramps; ++k)
      if ((r.next() >> 24) < density) w |= 1u << k;
    if (r.next() % 29 == 0) w = 0xffffu;
    c.wraps[size_t(i)] = w;
    for (int32_t k = 0; k < max_ramps; ++k) {
      const float d = c.ratio[k] * c.increment[size_t(i)];
      float t = r.unit();
      switch (r.next() % 16) {
        case 0: t = 0.f; break;
        case 1: t = 1.f; break;          // held to the last row
        case 2: t = 1.4f; break;         // beyond the table
        case 3: t = 0.0625f * float(r.next() % 16); break;  // on a row
        default: break;
      }
      c.past[size_t(i)][size_t(k)] = t * d;  // t = past / d
    }
  }
  return c;
}

// A ring from position `index` with `pending` pops of earlier corrections
// left (the slots beyond them 0, as a ring keeps them) and a held value.
correction_ring make_ring(int32_t index, int32_t pending, float held) {
  correction_ring ring;
  ring.index = index;
  ring.pending = pending;
  ring.current = held;
  for (int32_t k = 0; k < pending; ++k) ring.slots[(index + k) & correction_ring::mask] = 0.03f * float(k + 1) - 0.2f;
  return ring;
}

void expect_span_is_ring(const chunk_case& c, const correction_ring& start) {
  const int32_t n = int32_t(c.wraps.size());
  // The ring, sample by sample: each sample's wraps in ramp order, then its pop.
  correction_ring want = start;
  std::vector<float> expect(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t k = 0; k < max_ramps; ++k) {
      if (!(c.wraps[size_t(i)] >> k & 1u)) continue;
      const float d = c.ratio[k] * c.increment[size_t(i)];
      insert_correction(want, minblep, c.past[size_t(i)][size_t(k)] / d, d > 0.f ? 2.f : -2.f);
    }
    expect[size_t(i)] = want.pop();
  }
  static_assert(sizeof(std::array<float, max_ramps>) == sizeof(float[max_ramps]));
  const chunk_wraps w{c.wraps.data(), reinterpret_cast<const float (*)[max_ramps]>(c.past.data()), c.ratio,
                      c.increment.data(), n};
  step_span span(start);
  span.insert_wraps(w);
  std::vector<float> got(static_cast<size_t>(n));
  span.pop_all(c.wraps.data(), got.data(), n);
  correction_ring left;
  span.store(left, n);
  for (int32_t i = 0; i < n; ++i) ASSERT_EQ(got[size_t(i)], expect[size_t(i)]) << "pop " << i;
  EXPECT_EQ(left.pending, want.pending);
  EXPECT_EQ(left.current, want.current);
  for (int32_t k = 0; k < correction_ring::size; ++k)
    ASSERT_EQ(left.slots[k], want.slots[(want.index + k) & correction_ring::mask]) << "slot " << k;
}

}  // namespace

TEST(step_span, wraps_and_pops_are_the_rings_bit_for_bit) {
  struct density {
    const char* name;
    uint32_t odds;  // in 1/256 per ramp and sample
  };
  const density densities[] = {{"none", 0}, {"sparse", 1}, {"unison", 5}, {"dense", 60}};
  for (svf_lanes::kernel kernel : test_support::available_kernels()) {
    test_support::forced_kernel forced(kernel);
    for (const density& d : densities) {
      for (int32_t n : {1, 5, 8, 13, 31, 64}) {
        for (bool falling : {false, true}) {
          const chunk_case c = make_case(n, d.odds, uint32_t(n * 977 + d.odds), falling);
          for (int32_t pending : {0, 1, 9, 16}) {
            SCOPED_TRACE(std::string(d.name) + ", " + std::to_string(n) + " samples, " +
                         (falling ? "some falling, " : "") + std::to_string(pending) + " pending, " +
                         test_support::kernel_name(kernel));
            expect_span_is_ring(c, make_ring((pending * 5 + n) & correction_ring::mask, pending, -0.37f));
            if (HasFatalFailure()) return;
          }
        }
      }
    }
  }
}

// One wrap at each sample of a chunk in turn, alone: every start of a
// correction within the aligned groups, including the last samples, whose
// taps reach the end of the span.
TEST(step_span, one_wrap_at_every_sample) {
  for (svf_lanes::kernel kernel : test_support::available_kernels()) {
    test_support::forced_kernel forced(kernel);
    for (int32_t at = 0; at < multi_ramp_lanes::chunk; ++at) {
      SCOPED_TRACE("wrap at " + std::to_string(at) + ", " + test_support::kernel_name(kernel));
      chunk_case c = make_case(multi_ramp_lanes::chunk, 0, uint32_t(at), false);
      for (uint32_t& w : c.wraps) w = 0;
      c.wraps[size_t(at)] = 1u << (at % max_ramps);
      expect_span_is_ring(c, make_ring(at & correction_ring::mask, 0, 0.25f));
      if (HasFatalFailure()) return;
    }
  }
}

// A NaN past (a ramp whose phase went bad) reads as t = 0 in both.
TEST(step_span, nan_time_reads_as_the_first_row) {
  for (svf_lanes::kernel kernel : test_support::available_kernels()) {
    test_support::forced_kernel forced(kernel);
    SCOPED_TRACE(test_support::kernel_name(kernel));
    chunk_case c = make_case(20, 8, 7u, false);
    c.wraps[3] |= 1u;
    c.past[3][0] = std::numeric_limits<float>::quiet_NaN();
    expect_span_is_ring(c, make_ring(3, 4, 0.f));
  }
}
