// The AVX2 kernel of the filter lanes: one 64-bit lane per filter, four
// filters in a register, the scalar step's arithmetic operation for
// operation. This file alone is compiled with -mavx2 (where the build targets
// x86 with GCC or Clang) and runs only after CPU detection has found AVX2.
// It calls only intrinsics and functions of internal linkage (its own and
// avx2_int64.h's), no inline function of a shared header: a copy of one
// emitted here would carry AVX2 instructions, and the linker may keep that
// copy for every caller.
//
// What each product relies on (the scalar step forms every product in 64
// bits; _mm256_mul_epi32 multiplies the signed low words exactly):
//   q * band       both int32
//   f * h          h is below 2^31 while the states stay below 64 units, but
//                  any 64-bit h is exact: the high word times f is added
//                  in (mul_wide); f >= 0 (a Q30 coefficient)
//   f * b          b = gain band / 2^23: below 2^30 in the first stage (band
//                  clamped to 2^25), 64-bit in the second (mul_wide)
//   a * band       both int32; a >= 0 (Q31 from a clamped, non-negative product)
//   a * t          t < 2^29: the first stage's band is clamped to 2^25, so
//                  t <= 2^25 + 2^31 * 2^25 / 2^28
//   gain * band    gain = a t / 2^32 + bias < 2^28, band int32
// Right shifts are arithmetic (floor); AVX2 shifts 64-bit lanes only
// logically, so sra builds the floor from the logical shift, except where
// only the low 32 bits of the result are kept (a sum truncated to int32)
// or the value is known non-negative.
#include "synth/dsp/svf_lanes.h"

#if defined(__AVX2__)

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <utility>

#include "synth/dsp/avx2_int64.h"

namespace synth::svf_lanes {

namespace {

using v4 = __m256i;
using svf::drive;

inline v4 zero() { return _mm256_setzero_si256(); }
inline v4 splat(int64_t v) { return _mm256_set1_epi64x(v); }
inline v4 add(v4 a, v4 b) { return _mm256_add_epi64(a, b); }
inline v4 sub(v4 a, v4 b) { return _mm256_sub_epi64(a, b); }

using avx2::mul_wide;
using avx2::sra;

// int32_t(v): the low word, sign-extended.
inline v4 truncate(v4 v) {
  v4 low_words = _mm256_shuffle_epi32(v, _MM_SHUFFLE(2, 2, 0, 0));
  return _mm256_blend_epi32(v, _mm256_srai_epi32(low_words, 31), 0xAA);
}

inline v4 clamp(v4 v, int64_t lo, int64_t hi) {
  v = _mm256_blendv_epi8(v, splat(hi), _mm256_cmpgt_epi64(v, splat(hi)));
  return _mm256_blendv_epi8(v, splat(lo), _mm256_cmpgt_epi64(splat(lo), v));
}

// state + product / 2^30, narrowed as svf::limit_to<limit> narrows. A
// truncated sum keeps only the low 32 bits of the quotient, which the
// logical shift gives as well. words: the truncation left to the reader,
// the high words undefined (for a state only ever read by multiplies of
// the low words, and stored as int32).
template <int32_t limit, bool words = false>
inline v4 integrate(v4 state, v4 product) {
  if constexpr (limit == svf::no_limit && words) {
    return add(state, _mm256_srli_epi64(product, 30));
  } else if constexpr (limit == svf::no_limit) {
    return truncate(add(state, _mm256_srli_epi64(product, 30)));
  } else {
    return clamp(add(state, sra<30>(product)), -limit, limit);
  }
}

// svf::saturation::gain. Where band > 0, a band >= 0; a t >= 0 always.
inline v4 gain_of(v4 band, v4 a, v4 bias) {
  v4 grown = add(band, _mm256_srli_epi64(_mm256_mul_epi32(a, band), 28));
  v4 t = _mm256_blendv_epi8(sub(zero(), band), grown, _mm256_cmpgt_epi64(band, zero()));
  return add(_mm256_srli_epi64(_mm256_mul_epi32(a, t), 32), bias);
}

// Several sets of four filters, operation by operation: each step of the
// filter is issued for every set before the next step. A set's sample is a
// long chain of dependent products; issued one whole set after the other,
// the first set's waiting operations fill the core's schedulers and the
// second set's chain cannot start beside it.
template <int n>
struct vn {
  v4 r[n];
};

template <int n, class F, class... A>
inline vn<n> lift(F f, const A&... a) {
  vn<n> o;
  for (int s = 0; s < n; ++s) o.r[s] = f(a.r[s]...);
  return o;
}

inline v4 mul32(v4 a, v4 b) { return _mm256_mul_epi32(a, b); }

template <int n>
inline vn<n> add(const vn<n>& a, const vn<n>& b) {
  return lift<n>([](v4 x, v4 y) { return add(x, y); }, a, b);
}
template <int n>
inline vn<n> sub(const vn<n>& a, const vn<n>& b) {
  return lift<n>([](v4 x, v4 y) { return sub(x, y); }, a, b);
}
template <int n>
inline vn<n> mul32(const vn<n>& a, const vn<n>& b) {
  return lift<n>([](v4 x, v4 y) { return mul32(x, y); }, a, b);
}
template <int n>
inline vn<n> mul_wide(const vn<n>& a, const vn<n>& b) {
  return lift<n>([](v4 x, v4 y) { return mul_wide(x, y); }, a, b);
}
template <int k, int n>
inline vn<n> sra(const vn<n>& a) {
  return lift<n>([](v4 x) { return sra<k>(x); }, a);
}
template <int32_t limit, bool words = false, int n>
inline vn<n> integrate(const vn<n>& state, const vn<n>& product) {
  return lift<n>([](v4 x, v4 y) { return integrate<limit, words>(x, y); }, state, product);
}
template <int n>
inline vn<n> truncate(const vn<n>& a) {
  return lift<n>([](v4 x) { return truncate(x); }, a);
}
template <int n>
inline vn<n> gain_of(const vn<n>& band, const vn<n>& a, const vn<n>& bias) {
  return lift<n>([](v4 x, v4 y, v4 z) { return gain_of(x, y, z); }, band, a, bias);
}

// svf::run on four filters (V = v4) or on sets of four (V = vn). An
// unclamped band integrator outside the own-gain drive is read only by
// multiplies of its low words: its truncation is left to the caller
// (truncate) where it is an output.
template <int32_t band_limit, int32_t low_limit, drive kind, class V>
inline V run(V& low, V& band, V x, V f, V q, V a, V bias, V& gain) {
  constexpr bool band_words = band_limit == svf::no_limit && kind != drive::own;
  V damping = sra<29>(mul32(q, band));
  V h = sub(sub(x, damping), low);
  band = integrate<band_limit, band_words>(band, mul_wide(h, f));
  if constexpr (kind == drive::linear) {
    low = integrate<low_limit>(low, mul32(band, f));
  } else {
    if constexpr (kind == drive::own) gain = gain_of(band, a, bias);
    V b = sra<23>(mul32(gain, band));
    low = integrate<low_limit>(low, kind == drive::own ? mul32(b, f) : mul_wide(b, f));
  }
  return damping;
}

// Sample i of the four lanes' arrays.
inline __m128i gather32(const int32_t* const p[4], int i) {
  return _mm_set_epi32(p[3][i], p[2][i], p[1][i], p[0][i]);
}

inline v4 state_of(const lane* lanes, int32_t state_variable_filter::integrators::*field) {
  return _mm256_set_epi64x(lanes[3].state.*field, lanes[2].state.*field, lanes[1].state.*field,
                           lanes[0].state.*field);
}
inline void set_state(lane* lanes, int32_t state_variable_filter::integrators::*field, v4 v) {
  int64_t s[4];
  _mm256_storeu_si256(reinterpret_cast<v4*>(s), v);
  for (int l = 0; l < 4; ++l) lanes[l].state.*field = int32_t(s[l]);
}

// Rows (four samples of one lane) to columns (one sample of four lanes)
// and back: the same shuffle both ways.
inline void transpose(__m128i& r0, __m128i& r1, __m128i& r2, __m128i& r3) {
  const __m128i t0 = _mm_unpacklo_epi32(r0, r1), t1 = _mm_unpacklo_epi32(r2, r3);
  const __m128i t2 = _mm_unpackhi_epi32(r0, r1), t3 = _mm_unpackhi_epi32(r2, r3);
  r0 = _mm_unpacklo_epi64(t0, t1);
  r1 = _mm_unpackhi_epi64(t0, t1);
  r2 = _mm_unpacklo_epi64(t2, t3);
  r3 = _mm_unpackhi_epi64(t2, t3);
}

// What the second stage of a 24 dB form takes from the first.
template <int sets>
struct stage1_result {
  vn<sets> y, f, q2, gain;
};

// Samples per chunk: the inputs of a chunk are turned from rows (one lane's
// samples) into columns (one sample of four lanes) before the filters run,
// four samples of a lane at a time, instead of gathering every value alone.
constexpr int chunk = 32;

// One set of four lanes: its arrays, a chunk's input
// columns and the output columns (slot k holds sample base - 1 + k, as the
// 24 dB forms finish a sample one step late).
struct lane_set {
  const int32_t *x[4], *f[4], *q[4], *limit[4], *a[4], *bias[4];
  int32_t* y[4];
  alignas(16) int32_t cx[chunk][4], cf[chunk][4], cq[chunk][4], climit[chunk][4], ca[chunk][4], cbias[chunk][4];
  alignas(16) int32_t out[chunk + 1][4];
};

inline __m128i load4(const int32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store4(int32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline v4 column(const int32_t (&c)[4]) {
  return _mm256_cvtepi32_epi64(_mm_load_si128(reinterpret_cast<const __m128i*>(c)));
}

// Samples base .. base + len - 1 of four lanes' arrays into columns.
inline void to_columns(const int32_t* const p[4], int base, int len, int32_t (*c)[4]) {
  int k = 0;
  for (; k + 4 <= len; k += 4) {
    __m128i r0 = load4(p[0] + base + k), r1 = load4(p[1] + base + k);
    __m128i r2 = load4(p[2] + base + k), r3 = load4(p[3] + base + k);
    transpose(r0, r1, r2, r3);
    store4(c[k], r0), store4(c[k + 1], r1), store4(c[k + 2], r2), store4(c[k + 3], r3);
  }
  for (; k < len; ++k)
    for (int l = 0; l < 4; ++l) c[k][l] = p[l][base + k];
}

// Columns c[0 .. len - 1] into samples from .. from + len - 1 of four lanes' arrays.
inline void from_columns(const int32_t (*c)[4], int len, int32_t* const y[4], int from) {
  int k = 0;
  for (; k + 4 <= len; k += 4) {
    __m128i r0 = load4(c[k]), r1 = load4(c[k + 1]), r2 = load4(c[k + 2]), r3 = load4(c[k + 3]);
    transpose(r0, r1, r2, r3);
    store4(y[0] + from + k, r0), store4(y[1] + from + k, r1);
    store4(y[2] + from + k, r2), store4(y[3] + from + k, r3);
  }
  for (; k < len; ++k)
    for (int l = 0; l < 4; ++l) y[l][from + k] = c[k][l];
}

// Limits applied to every value of a column, 32 bits at a time (the same
// values the 64-bit lanes would limit after sign extension).
inline void limit_columns(int32_t (*c)[4], int len, int32_t lo, int32_t hi) {
  const __m128i low = _mm_set1_epi32(lo), high = _mm_set1_epi32(hi);
  for (int k = 0; k < len; ++k)
    store4(c[k], _mm_min_epi32(_mm_max_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(c[k])), low), high));
}

// state_variable_filter::step on 4 * sets lanes for n samples. In the 24 dB
// forms the second stage of sample i runs beside the first stage of sample
// i + 1: the two chains are independent, so the core overlaps them, as it
// overlaps the two sets' chains. Flattened: with thirty-two forms of it the
// compiler would otherwise call run out of line, its registers passed
// through memory.
template <int mode, bool cascade, bool saturate, int sets>
[[gnu::flatten]] void step4(lane* lanes, int n) {
  using sv = state_variable_filter;
  using namespace svf;
  using V = vn<sets>;
  constexpr bool band_form = mode == sv::band;
  constexpr int32_t band_limit = band_form ? clamp25 : clamp24;
  constexpr int32_t low_limit = band_form ? clamp24 : no_limit;
  constexpr drive drive1 = saturate ? drive::own : drive::linear;
  constexpr bool limited = cascade && mode != sv::notch;  // the second stage's damping from the limit

  lane_set set[sets];
  V l1, b1, l2, b2;
  for (int s = 0; s < sets; ++s) {
    const lane* from = lanes + 4 * s;
    lane_set& t = set[s];
    for (int l = 0; l < 4; ++l) {
      t.x[l] = from[l].x, t.f[l] = from[l].f, t.q[l] = from[l].q, t.limit[l] = from[l].limit;
      t.a[l] = from[l].sat_a, t.bias[l] = from[l].sat_bias, t.y[l] = from[l].y;
    }
    l1.r[s] = state_of(from, &sv::integrators::low), b1.r[s] = state_of(from, &sv::integrators::band);
    l2.r[s] = state_of(from, &sv::integrators::low2), b2.r[s] = state_of(from, &sv::integrators::band2);
  }
  // Column k of every set.
  const auto columns = [&](int32_t (lane_set::*c)[chunk][4], int k) {
    V v;
    for (int s = 0; s < sets; ++s) v.r[s] = column((set[s].*c)[k]);
    return v;
  };

  // Sample k of the chunk.
  auto stage1 = [&](int k) {
    const V x = columns(&lane_set::cx, k);
    stage1_result<sets> r{V{}, columns(&lane_set::cf, k), columns(&lane_set::cq, k), V{}};
    V a{}, bias{};
    if constexpr (saturate) a = columns(&lane_set::ca, k), bias = columns(&lane_set::cbias, k);
    run<band_limit, low_limit, drive1>(l1, b1, x, r.f, r.q2, a, bias, r.gain);
    V damping1 = run<band_limit, low_limit, drive1>(l1, b1, x, r.f, r.q2, a, bias, r.gain);
    r.y = mode == sv::low    ? l1
          : mode == sv::band ? b1
          : mode == sv::high ? sub(x, l1)
                             : sub(x, damping1);
    if constexpr (limited) r.q2 = columns(&lane_set::climit, k);
    return r;
  };
  auto stage2 = [&](const stage1_result<sets>& r) {
    constexpr int32_t band2_limit = mode == sv::notch ? clamp25 : no_limit;
    constexpr drive drive2 = saturate ? drive::shared : drive::linear;
    V gain = r.gain;
    run<band2_limit, no_limit, drive2>(l2, b2, r.y, r.f, r.q2, V{}, V{}, gain);
    V damping2 = run<band2_limit, no_limit, drive2>(l2, b2, r.y, r.f, r.q2, V{}, V{}, gain);
    return mode == sv::low    ? l2
           : mode == sv::band ? truncate(b2)  // see run
           : mode == sv::high ? sub(r.y, l2)
                              : sub(r.y, damping2);
  };
  // Output slot k of every set: the clamped outputs' low words.
  auto output = [&](int k, const V& y) {
    const v4 low_words = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
    for (int s = 0; s < sets; ++s) {
      const v4 limited_y = clamp(y.r[s], -output_limit, output_limit);
      _mm_store_si128(reinterpret_cast<__m128i*>(set[s].out[k]),
                      _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(limited_y, low_words)));
    }
  };
  auto fill = [&](lane_set& t, int base, int len) {
    to_columns(t.x, base, len, t.cx);
    limit_columns(t.cx, len, -input_limit, input_limit);
    to_columns(t.f, base, len, t.cf);
    to_columns(t.q, base, len, t.cq);
    if constexpr (limited) {
      to_columns(t.limit, base, len, t.climit);
      limit_columns(t.climit, len, INT32_MIN, cascade_damping_max);
    }
    if constexpr (saturate) to_columns(t.a, base, len, t.ca), to_columns(t.bias, base, len, t.cbias);
  };

  stage1_result<sets> pending;
  for (int base = 0; base < n; base += chunk) {
    const int len = std::min(chunk, n - base);
    for (lane_set& t : set) fill(t, base, len);
    if constexpr (cascade) {
      int k = 0;
      if (base == 0) pending = stage1(0), k = 1;
      for (; k < len; ++k) {
        const stage1_result<sets> next = stage1(k);
        output(k, stage2(pending));
        pending = next;
      }
      // Slots 1 .. len - 1 hold samples base .. base + len - 2, slot 0 the
      // sample before the chunk.
      const int first = base == 0 ? 1 : 0;
      for (lane_set& t : set) from_columns(t.out + first, len - first, t.y, base - 1 + first);
    } else {
      for (int k = 0; k < len; ++k) output(k, stage1(k).y);
      for (lane_set& t : set) from_columns(t.out, len, t.y, base);
    }
  }
  if constexpr (cascade) {
    output(0, stage2(pending));
    for (lane_set& t : set) from_columns(t.out, 1, t.y, n - 1);
  }
  for (int s = 0; s < sets; ++s) {
    lane* to = lanes + 4 * s;
    set_state(to, &sv::integrators::low, l1.r[s]);
    set_state(to, &sv::integrators::band, b1.r[s]);
    set_state(to, &sv::integrators::low2, l2.r[s]);
    set_state(to, &sv::integrators::band2, b2.r[s]);
  }
}

// The held form on 4 * sets lanes: a 12 dB linear variant with each lane's
// coefficient and damping in a register for the block. Two sets run side
// by side: each run is a chain of dependent products, and the core overlaps
// the two sets' chains. Four samples at a time go in and out as whole rows
// of each lane, turned into one register per sample.
template <int mode, int sets>
void held4(held_lane* lanes, int n) {
  using sv = state_variable_filter;
  using namespace svf;
  constexpr bool band_form = mode == sv::band;
  constexpr int32_t band_limit = band_form ? clamp25 : clamp24;
  constexpr int32_t low_limit = band_form ? clamp24 : no_limit;
  const int32_t* xs[sets][4];
  int32_t* ys[sets][4];
  v4 low[sets], band[sets], f[sets], q[sets];
  for (int s = 0; s < sets; ++s) {
    held_lane* set = lanes + 4 * s;
    for (int l = 0; l < 4; ++l) xs[s][l] = set[l].x, ys[s][l] = set[l].y;
    low[s] = _mm256_set_epi64x(set[3].state.low, set[2].state.low, set[1].state.low, set[0].state.low);
    band[s] = _mm256_set_epi64x(set[3].state.band, set[2].state.band, set[1].state.band, set[0].state.band);
    f[s] = _mm256_set_epi64x(set[3].f, set[2].f, set[1].f, set[0].f);
    q[s] = _mm256_set_epi64x(set[3].q, set[2].q, set[1].q, set[0].q);
  }
  const __m128i in_lo = _mm_set1_epi32(-input_limit), in_hi = _mm_set1_epi32(input_limit);
  const v4 low_words = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
  // One sample of set s: inputs and outputs one int32 per lane.
  const auto step = [&](int s, __m128i in) {
    const v4 x = _mm256_cvtepi32_epi64(_mm_min_epi32(_mm_max_epi32(in, in_lo), in_hi));
    v4 gain = zero();
    run<band_limit, low_limit, drive::linear>(low[s], band[s], x, f[s], q[s], zero(), zero(), gain);
    const v4 damping = run<band_limit, low_limit, drive::linear>(low[s], band[s], x, f[s], q[s], zero(), zero(), gain);
    v4 y = mode == sv::low ? low[s] : mode == sv::band ? band[s] : mode == sv::high ? sub(x, low[s]) : sub(x, damping);
    y = clamp(y, -output_limit, output_limit);
    return _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(y, low_words));
  };
  const auto load = [](const int32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
  const auto store = [](int32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); };
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128i r[sets][4];
    for (int s = 0; s < sets; ++s) {
      for (int l = 0; l < 4; ++l) r[s][l] = load(xs[s][l] + i);
      transpose(r[s][0], r[s][1], r[s][2], r[s][3]);
    }
    for (int k = 0; k < 4; ++k)
      for (int s = 0; s < sets; ++s) r[s][k] = step(s, r[s][k]);
    for (int s = 0; s < sets; ++s) {
      transpose(r[s][0], r[s][1], r[s][2], r[s][3]);
      for (int l = 0; l < 4; ++l) store(ys[s][l] + i, r[s][l]);
    }
  }
  for (; i < n; ++i) {
    for (int s = 0; s < sets; ++s) {
      const __m128i out = step(s, gather32(xs[s], i));
      ys[s][0][i] = _mm_cvtsi128_si32(out);
      ys[s][1][i] = _mm_extract_epi32(out, 1);
      ys[s][2][i] = _mm_extract_epi32(out, 2);
      ys[s][3][i] = _mm_extract_epi32(out, 3);
    }
  }
  for (int s = 0; s < sets; ++s) {
    int64_t l64[4], b64[4];
    _mm256_storeu_si256(reinterpret_cast<v4*>(l64), low[s]);
    _mm256_storeu_si256(reinterpret_cast<v4*>(b64), band[s]);
    for (int l = 0; l < 4; ++l) {
      lanes[4 * s + l].state.low = int32_t(l64[l]);
      lanes[4 * s + l].state.band = int32_t(b64[l]);
    }
  }
}

using held_fn = void (*)(held_lane*, int);

// [sets - 1][variant]
constexpr held_fn held_kernels[2][4] = {
    {&held4<0, 1>, &held4<1, 1>, &held4<2, 1>, &held4<3, 1>},
    {&held4<0, 2>, &held4<1, 2>, &held4<2, 2>, &held4<3, 2>},
};

using step4_fn = void (*)(lane*, int);

template <int sets, int... v>
constexpr auto step4_row(std::integer_sequence<int, v...>) {
  return std::array<step4_fn, sizeof...(v)>{&step4<v & 3, (v & 4) != 0, (v & 8) != 0, sets>...};
}

// [sets - 1][variant]: entry mode_index + 4 * (24 dB) + 8 * (saturating).
constexpr std::array<std::array<step4_fn, state_variable_filter::variant_count>, 2> kernels = {
    step4_row<1>(std::make_integer_sequence<int, state_variable_filter::variant_count>{}),
    step4_row<2>(std::make_integer_sequence<int, state_variable_filter::variant_count>{}),
};

}  // namespace

void detail::run_avx2(int variant, lane* lanes, int sets, int n) {
  if (n > 0) kernels[sets > 1 ? 1 : 0][variant & 15](lanes, n);
}

void detail::run_held_avx2(int variant, held_lane* lanes, int sets, int n) {
  if (n > 0) held_kernels[sets > 1 ? 1 : 0][variant & 3](lanes, n);
}

}  // namespace synth::svf_lanes

#endif  // __AVX2__
