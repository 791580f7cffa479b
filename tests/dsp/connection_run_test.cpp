// The additive connection over a run against connect() sample by sample, in
// both kernels, where the arithmetic has its corners: the extremes of the
// source, the depth and the destination (the clamp on both sides, the floor
// of negative products) and run lengths around the vector width.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "synth/dsp/connection_run.h"
#include "synth/dsp/svf_lanes.h"

namespace {

using namespace synth::modulation;
using kernel_fn = void (*)(int32_t*, const int32_t*, source_scale, int32_t, int);

struct case_data {
  std::vector<int32_t> dest, src;
};

case_data corner_case(std::mt19937& rng, int n) {
  const int32_t corners[] = {INT32_MIN, INT32_MIN + 1, -q31_max, -1, 0, 1, 32767, 1 << 30, q31_max};
  std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
  std::uniform_int_distribution<int> pick(0, 2 * int(std::size(corners)) - 1);
  case_data c;
  for (int i = 0; i < n; ++i) {
    const int a = pick(rng), b = pick(rng);
    c.dest.push_back(a < int(std::size(corners)) ? corners[a] : any(rng));
    c.src.push_back(b < int(std::size(corners)) ? corners[b] : any(rng));
  }
  return c;
}

void expect_matches_connect(kernel_fn run, const char* name) {
  std::mt19937 rng(7);
  const int32_t depths[] = {INT32_MIN, -q31_max, -1, 0, 1, 12345, 1 << 30, q31_max};
  for (const source_scale scale : {source_scale::as_is, source_scale::env15}) {
    for (const int32_t depth : depths) {
      for (int n = 0; n <= 37; ++n) {
        const case_data c = corner_case(rng, n);
        std::vector<int32_t> want = c.dest, got = c.dest;
        for (int i = 0; i < n; ++i) {
          const int64_t s = scale == source_scale::env15 ? (c.src[size_t(i)] >> 15) : c.src[size_t(i)];
          want[size_t(i)] = connect(want[size_t(i)], s, depth, 0);
        }
        run(got.data(), c.src.data(), scale, depth, n);
        ASSERT_EQ(got, want) << name << " depth " << depth << " n " << n << " env15 "
                             << (scale == source_scale::env15);
      }
    }
  }
}

TEST(connection_run, both_kernels_give_what_connect_gives_sample_by_sample) {
  expect_matches_connect(&detail::add_run_scalar, "scalar");
  expect_matches_connect(&add_run, "picked");
  if (!synth::svf_lanes::avx2_available()) GTEST_SKIP() << "no AVX2 on this CPU: the AVX2 kernel was not run";
  expect_matches_connect(&detail::add_run_avx2, "avx2");
}

// Every pairing of destinations and sources around 0, +-2^30 and the rails,
// at depths whose products land on them: sums just inside, on and past
// either rail, where a 32-bit sum wraps and where it reaches INT32_MIN.
TEST(connection_run, sums_at_and_past_the_rails_clamp_as_in_64_bits) {
  std::vector<int32_t> values;
  for (const int32_t centre : {INT32_MIN + 2, -(1 << 30), 0, 1 << 30, INT32_MAX - 2})
    for (int32_t k = -2; k <= 2; ++k) values.push_back(centre + k);
  std::vector<int32_t> dest, src;
  for (const int32_t d : values)
    for (const int32_t s : values) {
      dest.push_back(d);
      src.push_back(s);
    }
  std::vector<kernel_fn> kernels = {&detail::add_run_scalar, &add_run};
  if (synth::svf_lanes::avx2_available()) kernels.push_back(&detail::add_run_avx2);
  for (const kernel_fn run : kernels) {
    for (const int32_t depth : {q31_max, -q31_max, 1 << 30, -(1 << 30), INT32_MIN}) {
      std::vector<int32_t> want = dest, got = dest;
      for (size_t i = 0; i < want.size(); ++i) want[i] = connect(want[i], src[i], depth, 0);
      run(got.data(), src.data(), source_scale::as_is, depth, int(got.size()));
      ASSERT_EQ(got, want) << "depth " << depth;
    }
  }
}

// add_run_onto against connect() from the held base, on the same corners:
// bases at and near the rails and 0, every depth, lengths around the width.
using onto_fn = void (*)(int32_t*, int32_t, const int32_t*, source_scale, int32_t, int);

void expect_onto_matches_connect(onto_fn run, const char* name) {
  std::mt19937 rng(11);
  const int32_t depths[] = {INT32_MIN, -q31_max, -1, 0, 1, 12345, 1 << 30, q31_max};
  const int32_t bases[] = {INT32_MIN, -q31_max, -(1 << 30), -1, 0, 1, 1 << 30, q31_max};
  for (const source_scale scale : {source_scale::as_is, source_scale::env15}) {
    for (const int32_t depth : depths) {
      for (const int32_t base : bases) {
        for (int n = 0; n <= 19; ++n) {
          const case_data c = corner_case(rng, n);
          std::vector<int32_t> want(static_cast<size_t>(n)), got = c.dest;  // what dest held before is not read
          for (int i = 0; i < n; ++i) {
            const int64_t s = scale == source_scale::env15 ? (c.src[size_t(i)] >> 15) : c.src[size_t(i)];
            want[size_t(i)] = connect(base, s, depth, 0);
          }
          run(got.data(), base, c.src.data(), scale, depth, n);
          ASSERT_EQ(got, want) << name << " depth " << depth << " base " << base << " n " << n << " env15 "
                               << (scale == source_scale::env15);
        }
      }
    }
  }
}

TEST(connection_run, onto_a_held_base_gives_what_connect_gives_in_both_kernels) {
  expect_onto_matches_connect(&detail::add_run_onto_scalar, "scalar");
  expect_onto_matches_connect(&add_run_onto, "picked");
  if (!synth::svf_lanes::avx2_available()) GTEST_SKIP() << "no AVX2 on this CPU: the AVX2 kernel was not run";
  expect_onto_matches_connect(&detail::add_run_onto_avx2, "avx2");
}

TEST(connection_run, a_run_touches_only_its_own_samples) {
  for (const kernel_fn run : {&detail::add_run_scalar, &add_run}) {
    std::vector<int32_t> dest(16, 5), src(16, q31_max);
    run(dest.data() + 3, src.data() + 3, source_scale::as_is, q31_max, 6);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(dest[size_t(i)], i >= 3 && i < 9 ? q31_max : 5) << i;
  }
  for (const onto_fn run : {&detail::add_run_onto_scalar, &add_run_onto}) {
    std::vector<int32_t> dest(16, 5), src(16, 1 << 30);
    run(dest.data() + 3, 7, src.data() + 3, source_scale::as_is, 1 << 30, 6);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(dest[size_t(i)], i >= 3 && i < 9 ? 7 + (1 << 29) : 5) << i;
  }
}

}  // namespace
