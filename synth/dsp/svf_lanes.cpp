#include "synth/dsp/svf_lanes.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <utility>

namespace synth::svf_lanes {

namespace {

// The lanes' sample i, one after the other: count is a constant, so the
// loop unrolls into count independent chains that the out-of-order core
// overlaps.
template <int mode, bool cascade, bool saturate, int count>
void interleaved(lane* lanes, int n) {
  state_variable_filter::integrators s[count];
  for (int l = 0; l < count; ++l) s[l] = lanes[l].state;
  for (int i = 0; i < n; ++i) {
    for (int l = 0; l < count; ++l) {
      const lane& c = lanes[l];
      svf::saturation sat;
      if constexpr (saturate) sat = {c.sat_a[i], c.sat_bias[i]};
      const int32_t limit = cascade ? c.limit[i] : 0;
      c.y[i] = state_variable_filter::step<mode, cascade, saturate>(s[l], c.x[i], c.f[i], c.q[i], limit, sat);
    }
  }
  for (int l = 0; l < count; ++l) lanes[l].state = s[l];
}

// The held form: the coefficients read once, the lanes' chains interleaved.
template <int mode, int count>
void held_interleaved(held_lane* lanes, int n) {
  state_variable_filter::integrators s[count];
  int32_t f[count], q[count];
  for (int l = 0; l < count; ++l) s[l] = lanes[l].state, f[l] = lanes[l].f, q[l] = lanes[l].q;
  const svf::saturation none;
  for (int i = 0; i < n; ++i)
    for (int l = 0; l < count; ++l)
      lanes[l].y[i] = state_variable_filter::step<mode, false, false>(s[l], lanes[l].x[i], f[l], q[l], 0, none);
  for (int l = 0; l < count; ++l) lanes[l].state = s[l];
}

using held_fn = void (*)(held_lane*, int);

template <int mode, int... counts>
constexpr auto held_row(std::integer_sequence<int, counts...>) {
  return std::array<held_fn, sizeof...(counts)>{&held_interleaved<mode, counts + 1>...};
}

// [variant][count - 1]
constexpr std::array<std::array<held_fn, max_held_lanes>, 4> held_kernels = {
    held_row<0>(std::make_integer_sequence<int, max_held_lanes>{}),
    held_row<1>(std::make_integer_sequence<int, max_held_lanes>{}),
    held_row<2>(std::make_integer_sequence<int, max_held_lanes>{}),
    held_row<3>(std::make_integer_sequence<int, max_held_lanes>{}),
};

using scalar_fn = void (*)(lane*, int);

// The portable kernel interleaves up to four lanes: more chains of 64-bit
// products than that outrun the general registers.
constexpr int scalar_lanes = 4;

template <int v, int... counts>
constexpr auto scalar_row(std::integer_sequence<int, counts...>) {
  return std::array<scalar_fn, sizeof...(counts)>{
      &interleaved<v & 3, (v & 4) != 0, (v & 8) != 0, counts + 1>...};
}

template <int... v>
constexpr auto scalar_table(std::integer_sequence<int, v...>) {
  return std::array<std::array<scalar_fn, scalar_lanes>, sizeof...(v)>{
      scalar_row<v>(std::make_integer_sequence<int, scalar_lanes>{})...};
}

// [variant][count - 1]
constexpr auto scalar_kernels =
    scalar_table(std::make_integer_sequence<int, state_variable_filter::variant_count>{});

// -1 until first asked; the detection is idempotent, so a race only repeats it.
std::atomic<int> chosen{-1};

bool cpu_has_avx2() {
#if defined(VORN_AVX2_KERNEL) && (defined(__x86_64__) || defined(__i386__))
  // Checks the OS's saving of the YMM registers (XGETBV) as well.
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

// Inputs of the lanes that pad a run out to four: silence in, outputs dropped.
const int32_t zeros[max_block] = {};

}  // namespace

bool avx2_available() { return cpu_has_avx2(); }

kernel active_kernel() {
  int k = chosen.load(std::memory_order_relaxed);
  if (k < 0) {
    k = int(avx2_available() ? kernel::avx2 : kernel::scalar);
    chosen.store(k, std::memory_order_relaxed);
  }
  return kernel(k);
}

void force_kernel(kernel k) {
  if (k == kernel::avx2 && !avx2_available()) return;
  chosen.store(int(k), std::memory_order_relaxed);
}

void detail::run_scalar(int variant, lane* lanes, int count, int n) {
  for (int first = 0; first < count; first += scalar_lanes)
    scalar_kernels[variant & 15][std::min(count - first, scalar_lanes) - 1](lanes + first, n);
}

namespace {

// A count that is not a whole number of sets: the AVX2 kernel runs silent
// lanes beside the caller's.
void run_avx2_padded(int variant, lane* lanes, int count, int sets, int n, const coefficient_columns* columns) {
  lane padded[max_lanes];
  int32_t dropped[max_block];
  for (int l = 0; l < 4 * sets; ++l) {
    padded[l] = l < count ? lanes[l] : lane{{}, zeros, zeros, zeros, zeros, zeros, zeros, dropped};
  }
  detail::run_avx2(variant, padded, sets, n, columns);
  for (int l = 0; l < count; ++l) lanes[l].state = padded[l].state;
}

// The AVX2 kernel on count lanes, from rows (columns null) or columns.
void run_vector(int variant, lane* lanes, int count, int n, const coefficient_columns* columns) {
  const int sets = count > 4 ? 2 : 1;
  if (count == 4 * sets) {
    detail::run_avx2(variant, lanes, sets, n, columns);
    return;
  }
  // The silent lanes' arrays hold max_block samples: longer runs go in parts.
  for (int done = 0; done < n; done += max_block) {
    lane part[max_lanes];
    for (int l = 0; l < count; ++l) {
      const lane& c = lanes[l];
      const auto at = [done](const int32_t* p) { return p ? p + done : nullptr; };
      part[l] = {c.state, c.x + done, at(c.f), at(c.q), at(c.limit), at(c.sat_a), at(c.sat_bias), c.y + done};
    }
    coefficient_columns moved;
    if (columns) moved = columns->from(done);
    run_avx2_padded(variant, part, count, sets, std::min(n - done, max_block), columns ? &moved : nullptr);
    for (int l = 0; l < count; ++l) lanes[l].state = part[l].state;
  }
}

}  // namespace

void detail::run_held_scalar(int variant, held_lane* lanes, int count, int n) {
  held_kernels[size_t(variant & 3)][size_t(count - 1)](lanes, n);
}

// The AVX2 kernel takes four or eight lanes: the rest are copies of the
// first, their outputs dropped, in runs of at most max_block samples.
void run_held(int variant, held_lane* lanes, int count, int n) {
  if (count <= 0 || n <= 0) return;
  count = std::min(count, max_held_lanes);
  if (active_kernel() == kernel::scalar) {
    detail::run_held_scalar(variant, lanes, count, n);
    return;
  }
  const int sets = count > 4 ? 2 : 1;
  held_lane padded[max_held_lanes];
  int32_t dropped[max_block];
  for (int done = 0; done < n; done += max_block) {
    for (int l = 0; l < 4 * sets; ++l) {
      const held_lane& c = lanes[l < count ? l : 0];
      padded[l] = {c.state, c.x + done, c.f, c.q, l < count ? c.y + done : dropped};
    }
    detail::run_held_avx2(variant, padded, sets, std::min(n - done, max_block));
    for (int l = 0; l < count; ++l) lanes[l].state = padded[l].state;
  }
}

void run(int variant, lane* lanes, int count, int n) {
  if (count <= 0 || n <= 0) return;
  if (count > max_lanes) count = max_lanes;
  if (active_kernel() == kernel::scalar) {
    detail::run_scalar(variant, lanes, count, n);
  } else {
    run_vector(variant, lanes, count, n, nullptr);
  }
}

void run_columns(int variant, lane* lanes, int count, int n, const coefficient_columns& columns) {
  if (count <= 0 || n <= 0) return;
  run_vector(variant, lanes, std::min(count, max_lanes), n, &columns);
}

}  // namespace synth::svf_lanes
