// The AVX2 kernel of the filter lanes: one 64-bit lane per filter, four
// filters in a register, every value the scalar step computes reproduced bit
// for bit (the integrators held in forms that make its clamps and shifts
// cheaper, see below). This file alone is compiled with -mavx2 (where the
// build targets x86 with GCC or Clang) and runs only after CPU detection has
// found AVX2. It calls only intrinsics and functions of internal linkage, no
// inline function of a shared header: a copy of one emitted here would carry
// AVX2 instructions, and the linker may keep that copy for every caller.
//
// What each product relies on (the scalar step forms every product in 64
// bits; _mm256_mul_epi32 multiplies the signed low words exactly):
//   q * band       both int32
//   f * h          h is below 2^31 while the states stay below 64 units, but
//                  any 64-bit h is exact: the high word times f is added
//                  in (mul_shift30); f >= 0 (a Q30 coefficient)
//   f * b          b = gain band / 2^23: below 2^30 in the first stage (band
//                  clamped to 2^25), 64-bit in the second (mul_shift30_of_sra23)
//   a * band       both int32; a >= 0 (Q31 from a clamped, non-negative product)
//   a * t          t < 2^29: the first stage's band is clamped to 2^25, so
//                  t <= 2^25 + 2^31 * 2^25 / 2^28
//   gain * band    gain = a t / 2^32 + bias < 2^28, band int32
// Right shifts are arithmetic (floor); AVX2 shifts 64-bit lanes only
// logically, so a floor comes from the logical shift of the sign-flipped
// value (its bias folded into a neighbouring constant), from a product split
// into its words, or from the logical shift alone where only the low 32 bits
// of the result are kept (a sum truncated to int32) or the value is known
// non-negative.
#include "synth/dsp/svf_lanes.h"

#if defined(__AVX2__)

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <utility>


namespace synth::svf_lanes {

namespace {

using v4 = __m256i;
using svf::drive;

inline v4 zero() { return _mm256_setzero_si256(); }
inline v4 splat(int64_t v) { return _mm256_set1_epi64x(v); }
inline v4 add(v4 a, v4 b) { return _mm256_add_epi64(a, b); }
inline v4 sub(v4 a, v4 b) { return _mm256_sub_epi64(a, b); }
inline v4 mul32(v4 a, v4 b) { return _mm256_mul_epi32(a, b); }
// v + c with c a constant (no operation for 0).
inline v4 add_c(v4 v, int64_t c) { return c == 0 ? v : add(v, splat(c)); }

// How the integrators sit in the 64-bit lanes. The forms keep every value
// the products read (their low words) as it is and make the clamps, the
// truncations and the floor shifts cheaper than on plain values:
//   clamped band     band + double_bias: as a double, 1.5 * 2^52 + band,
//                    so that one max and one min of doubles clamp it
//                    (exact for |band| < 2^51; the sums stay below 2^35)
//   unclamped band   its low word; the high word undefined (only
//                    multiplies of the low word and the truncated output
//                    read it)
//   clamped low      as it is
//   unclamped low    low + 2^31 in [0, 2^32) (offset binary, high word 0):
//                    the truncation to int32 is then one mask
// A stage takes its input biased as xb = x + damping_bias + the low
// integrator's offset, which folds both constants into one add a sample.
constexpr int64_t double_bias = 0x4338000000000000;   // 1.5 * 2^52 as a double's bits; low word 0
constexpr int64_t damping_bias = int64_t(1) << 34;    // biased_damping's 2^(63 - 29)
constexpr int64_t shift30_bias = int64_t(1) << 33;    // the same bias of a shift by 30
constexpr int64_t low_offset = int64_t(1) << 31;

template <int32_t low_limit>
constexpr int64_t offset_of = low_limit == svf::no_limit ? low_offset : 0;

// q band / 2^29 (floor) + damping_bias for any 64-bit product p: the sign
// bit flipped makes p + 2^63 an unsigned value whose logical shift is
// floor(p / 2^29) + 2^34.
inline v4 biased_damping(v4 p) { return _mm256_srli_epi64(_mm256_xor_si256(p, splat(INT64_MIN)), 29); }

// floor(f h / 2^30) for any 64-bit h and f in [0, 2^31): h is its unsigned
// low word plus 2^32 times its signed high word, and the second product is a
// whole multiple of 2^30, so floor(f lo / 2^30) + 4 f hi (exact wherever the
// scalar product fits 64 bits).
inline v4 mul_shift30(v4 h, v4 f) {
  const v4 lo = _mm256_srli_epi64(_mm256_mul_epu32(h, f), 30);
  const v4 hi = _mm256_mul_epi32(_mm256_srli_epi64(h, 32), f);
  return add(lo, _mm256_slli_epi64(hi, 2));
}

// floor(f floor(p / 2^23) / 2^30), as mul_shift30 on b = p >> 23: b's low
// word is the logical shift's, its signed high word p's high word shifted
// arithmetically by 23 (moved down to where the multiply reads it).
inline v4 mul_shift30_of_sra23(v4 p, v4 f) {
  const v4 lo = _mm256_srli_epi64(_mm256_mul_epu32(_mm256_srli_epi64(p, 23), f), 30);
  const v4 hi = _mm256_mul_epi32(_mm256_srli_epi64(_mm256_srai_epi32(p, 23), 32), f);
  return add(lo, _mm256_slli_epi64(hi, 2));
}

// A value in the double-biased form held to [-limit, limit].
inline v4 clamp_biased(v4 v, int32_t limit) {
  const __m256d lo = _mm256_castsi256_pd(splat(double_bias - limit));
  const __m256d hi = _mm256_castsi256_pd(splat(double_bias + limit));
  return _mm256_castpd_si256(_mm256_min_pd(_mm256_max_pd(_mm256_castsi256_pd(v), lo), hi));
}

// The unclamped low integrator's new value from its offset form and a
// quotient of which only the low word counts.
inline v4 wrap_low(v4 low, v4 quotient) { return _mm256_blend_epi32(add(low, quotient), zero(), 0xAA); }

// svf::saturation::gain, read only by a multiply of its low word, from a
// clamped band (|band| < 2^26, its low word read): t = |band| + a max(band,
// 0) / 2^28 < 2^29, gain = a t / 2^32 + bias; both products are >= 0.
inline v4 gain_of(v4 band, v4 a, v4 bias) {
  const v4 grown = _mm256_srli_epi64(mul32(a, _mm256_max_epi32(band, zero())), 28);
  const v4 t = _mm256_add_epi32(_mm256_abs_epi32(band), grown);
  return _mm256_add_epi32(_mm256_srli_epi64(mul32(a, t), 32), bias);
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

#define VORN_LIFT(name, ...)                                                           \
  template <int n, class... A>                                                         \
  inline vn<n> name(const vn<n>& first, const A&... rest) {                            \
    return lift<n>([](auto... v) { return name(v...); }, first, rest...);              \
  }
VORN_LIFT(add)
VORN_LIFT(sub)
VORN_LIFT(mul32)
VORN_LIFT(biased_damping)
VORN_LIFT(mul_shift30)
VORN_LIFT(mul_shift30_of_sra23)
VORN_LIFT(wrap_low)
VORN_LIFT(gain_of)
#undef VORN_LIFT

template <int n>
inline vn<n> add_c(const vn<n>& v, int64_t c) {
  return lift<n>([c](v4 x) { return add_c(x, c); }, v);
}
template <int n>
inline vn<n> clamp_biased(const vn<n>& v, int32_t limit) {
  return lift<n>([limit](v4 x) { return clamp_biased(x, limit); }, v);
}
template <int k, int n>
inline vn<n> srli(const vn<n>& v) {
  return lift<n>([](v4 x) { return _mm256_srli_epi64(x, k); }, v);
}
template <int k>
inline v4 srli(v4 v) { return _mm256_srli_epi64(v, k); }
template <int n>
inline vn<n> flip_sign(const vn<n>& v) {
  return lift<n>([](v4 x) { return _mm256_xor_si256(x, splat(INT64_MIN)); }, v);
}
inline v4 flip_sign(v4 v) { return _mm256_xor_si256(v, splat(INT64_MIN)); }

// The band integrator after adding a quotient (floor(f h / 2^30)), in its form.
template <int32_t limit, class V>
inline V integrate_band(const V& band, const V& quotient) {
  if constexpr (limit == svf::no_limit) {
    return add(band, quotient);  // low word
  } else {
    return clamp_biased(add(band, quotient), limit);
  }
}

// The low integrator after adding floor(p / 2^30) for a 64-bit product p, in
// its form. The clamped form's floor shift keeps its bias (the sign flip's
// 2^33) and drops it together with the double bias.
template <int32_t limit, class V>
inline V integrate_low(const V& low, const V& p) {
  if constexpr (limit == svf::no_limit) {
    return wrap_low(low, srli<30>(p));
  } else {
    const V biased = add(low, add_c(srli<30>(flip_sign(p)), double_bias - shift30_bias));
    return add_c(clamp_biased(biased, limit), -double_bias);
  }
}

// svf::run on four filters (V = v4) or on sets of four (V = vn), on the
// integrators in their forms (see above) and the input biased as xb. Returns
// x - q B + the low integrator's offset (the notch output's source).
template <int32_t band_limit, int32_t low_limit, drive kind, class V>
inline V run(V& low, V& band, const V& xb, const V& f, const V& q, const V& a, const V& bias, V& gain) {
  const V xd = sub(xb, biased_damping(mul32(q, band)));
  band = integrate_band<band_limit>(band, mul_shift30(sub(xd, low), f));
  if constexpr (kind == drive::linear) {
    low = integrate_low<low_limit>(low, mul32(band, f));
  } else if constexpr (kind == drive::own) {
    // b = gain band / 2^23 is below 2^30 here (band clamped to 2^25): only
    // its low word, which the logical shift gives, enters the product.
    gain = gain_of(band, a, bias);
    low = integrate_low<low_limit>(low, mul32(srli<23>(mul32(gain, band)), f));
  } else {
    static_assert(low_limit == svf::no_limit, "a second stage's low integrator is unclamped");
    low = wrap_low(low, mul_shift30_of_sra23(mul32(gain, band), f));
  }
  return xd;
}

// A stage's output plus a constant k, from its integrators and input in their
// forms: the low integrator, the band integrator (clamped form), the input
// less the low integrator (high) or x - damping (notch).
template <int mode, int32_t low_limit, class V>
inline V output_plus(int64_t k, const V& xb, const V& low, const V& band, const V& xd) {
  using sv = state_variable_filter;
  constexpr int64_t offset = offset_of<low_limit>;
  if constexpr (mode == sv::low) return add_c(low, k - offset);
  if constexpr (mode == sv::band) return add_c(band, k - double_bias);
  if constexpr (mode == sv::high) return add_c(sub(xb, low), k - damping_bias);
  if constexpr (mode == sv::notch) return add_c(xd, k - offset);
}

// Sample i of the four lanes' arrays.
inline __m128i gather32(const int32_t* const p[4], int i) {
  return _mm_set_epi32(p[3][i], p[2][i], p[1][i], p[0][i]);
}

// An integrator of four lanes into its form: its value plus the form's
// bias (see above), and back (the bias's low word dropped from the low word).
inline v4 state_of(const lane* lanes, int32_t state_variable_filter::integrators::*field, int64_t form_bias) {
  return add_c(_mm256_set_epi64x(lanes[3].state.*field, lanes[2].state.*field, lanes[1].state.*field,
                                 lanes[0].state.*field),
               form_bias);
}
inline void set_state(lane* lanes, int32_t state_variable_filter::integrators::*field, v4 v, int64_t form_bias) {
  int64_t s[4];
  _mm256_storeu_si256(reinterpret_cast<v4*>(s), v);
  for (int l = 0; l < 4; ++l) lanes[l].state.*field = int32_t(uint32_t(s[l]) - uint32_t(form_bias));
}

// Output samples of four lanes, limited to output_limit, as int32 words:
// from a value plus double_bias (whose low word is the value's), or from an
// int32 held in the low words.
inline __m128i output_words(v4 y_biased) {
  const v4 low_words = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
  return _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(clamp_biased(y_biased, svf::output_limit), low_words));
}
inline __m128i output_words_of_int32(v4 y) {
  const v4 low_words = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
  const __m128i w = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(y, low_words));
  return _mm_min_epi32(_mm_max_epi32(w, _mm_set1_epi32(-svf::output_limit)), _mm_set1_epi32(svf::output_limit));
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

// What the second stage of a 24 dB form takes from the first: its input
// biased (xb), the coefficients and the shared gain.
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
  alignas(16) int32_t cx[chunk][4];
  alignas(16) int32_t out[chunk + 1][4];
};

// A chunk's coefficients as columns of eight lanes (set s in lanes 4 s ..
// 4 s + 3), made from the lanes' rows where the caller has no columns.
struct chunk_columns {
  int32_t f[chunk][8], q[chunk][8], limit2[chunk][8], a[chunk][8], bias[chunk][8];
};

inline __m128i load4(const int32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store4(int32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
// Lanes at .. at + 3 of a column, each in a 64-bit lane.
inline v4 column(const int32_t* c) { return _mm256_cvtepi32_epi64(load4(c)); }

// Samples base .. base + len - 1 of four lanes' arrays into lanes at .. at +
// 3 of columns of width lanes, each value limited to [lo, hi] on the way (32
// bits at a time: the same values the 64-bit lanes would limit after sign
// extension).
template <int width>
inline void to_columns(const int32_t* const p[4], int base, int len, int32_t (*c)[width], int at,
                       int32_t lo = INT32_MIN, int32_t hi = INT32_MAX) {
  const __m128i low = _mm_set1_epi32(lo), high = _mm_set1_epi32(hi);
  const auto limit = [&](__m128i v) {
    if (lo != INT32_MIN) v = _mm_max_epi32(v, low);
    return hi != INT32_MAX ? _mm_min_epi32(v, high) : v;
  };
  int k = 0;
  for (; k + 4 <= len; k += 4) {
    __m128i r0 = load4(p[0] + base + k), r1 = load4(p[1] + base + k);
    __m128i r2 = load4(p[2] + base + k), r3 = load4(p[3] + base + k);
    transpose(r0, r1, r2, r3);
    store4(c[k] + at, limit(r0)), store4(c[k + 1] + at, limit(r1));
    store4(c[k + 2] + at, limit(r2)), store4(c[k + 3] + at, limit(r3));
  }
  for (; k < len; ++k)
    for (int l = 0; l < 4; ++l) {
      const int32_t v = p[l][base + k];
      c[k][at + l] = v < lo ? lo : v > hi ? hi : v;
    }
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

// state_variable_filter::step on 4 * sets lanes for n samples, the
// coefficients from the caller's columns or (columns null) from the lanes'
// rows turned into columns a chunk at a time. In the 24 dB
// forms the second stage of sample i runs beside the first stage of sample
// i + 1: the two chains are independent, so the core overlaps them, as it
// overlaps the two sets' chains. Flattened: with thirty-two forms of it the
// compiler would otherwise call run out of line, its registers passed
// through memory.
template <int mode, bool cascade, bool saturate, int sets>
[[gnu::flatten]] void step4(lane* lanes, int n, const coefficient_columns* columns) {
  using sv = state_variable_filter;
  using namespace svf;
  using V = vn<sets>;
  constexpr bool band_form = mode == sv::band;
  constexpr int32_t band_limit = band_form ? clamp25 : clamp24;
  constexpr int32_t low_limit = band_form ? clamp24 : no_limit;
  constexpr drive drive1 = saturate ? drive::own : drive::linear;
  constexpr bool limited = cascade && mode != sv::notch;  // the second stage's damping from the limit
  constexpr int32_t band2_limit = mode == sv::notch ? clamp25 : no_limit;
  // The integrators' form biases (see above).
  constexpr int64_t low1_form = offset_of<low_limit>, band1_form = double_bias;
  constexpr int64_t low2_form = low_offset, band2_form = band2_limit == no_limit ? 0 : double_bias;

  lane_set set[sets];
  V l1, b1, l2, b2;
  for (int s = 0; s < sets; ++s) {
    const lane* from = lanes + 4 * s;
    lane_set& t = set[s];
    for (int l = 0; l < 4; ++l) {
      t.x[l] = from[l].x, t.f[l] = from[l].f, t.q[l] = from[l].q, t.limit[l] = from[l].limit;
      t.a[l] = from[l].sat_a, t.bias[l] = from[l].sat_bias, t.y[l] = from[l].y;
    }
    l1.r[s] = state_of(from, &sv::integrators::low, low1_form);
    b1.r[s] = state_of(from, &sv::integrators::band, band1_form);
    l2.r[s] = state_of(from, &sv::integrators::low2, low2_form);
    b2.r[s] = state_of(from, &sv::integrators::band2, band2_form);
  }
  // The chunk's coefficient columns: sample k of the chunk in row k.
  chunk_columns made;
  coefficient_columns c;
  // Row k of the columns c.*field, every set.
  const auto coefficients = [&](state_variable_filter::column* coefficient_columns::*field, int k) {
    V v;
    for (int s = 0; s < sets; ++s) v.r[s] = column((c.*field)[k] + 4 * s);
    return v;
  };

  // Sample k of the chunk.
  auto stage1 = [&](int k) {
    V x;
    for (int s = 0; s < sets; ++s) x.r[s] = column(set[s].cx[k]);
    const V xb = add_c(x, damping_bias + offset_of<low_limit>);
    stage1_result<sets> r{V{}, coefficients(&coefficient_columns::f, k), coefficients(&coefficient_columns::q, k),
                          V{}};
    V a{}, bias{};
    if constexpr (saturate) {
      a = coefficients(&coefficient_columns::sat_a, k), bias = coefficients(&coefficient_columns::sat_bias, k);
    }
    run<band_limit, low_limit, drive1>(l1, b1, xb, r.f, r.q2, a, bias, r.gain);
    const V xd = run<band_limit, low_limit, drive1>(l1, b1, xb, r.f, r.q2, a, bias, r.gain);
    // The second stage's input biased as its xb, or the output plus double_bias.
    r.y = output_plus<mode, low_limit>(cascade ? damping_bias + low_offset : double_bias, xb, l1, b1, xd);
    if constexpr (limited) r.q2 = coefficients(&coefficient_columns::limit2, k);
    return r;
  };
  auto stage2 = [&](const stage1_result<sets>& r) {
    constexpr drive drive2 = saturate ? drive::shared : drive::linear;
    V gain = r.gain;
    run<band2_limit, no_limit, drive2>(l2, b2, r.y, r.f, r.q2, V{}, V{}, gain);
    const V xd = run<band2_limit, no_limit, drive2>(l2, b2, r.y, r.f, r.q2, V{}, V{}, gain);
    // The unclamped band integrator's low word is the band output itself.
    if constexpr (mode == sv::band) return b2;
    else return output_plus<mode, no_limit>(double_bias, r.y, l2, b2, xd);
  };
  // Output slot k of every set: the clamped outputs' low words (from the
  // 24 dB band form's int32, else from an output plus double_bias).
  constexpr bool int32_out = cascade && mode == sv::band;
  auto output = [&](int k, const V& y) {
    for (int s = 0; s < sets; ++s) {
      const __m128i w = int32_out ? output_words_of_int32(y.r[s]) : output_words(y.r[s]);
      _mm_store_si128(reinterpret_cast<__m128i*>(set[s].out[k]), w);
    }
  };
  auto fill = [&](int base, int len) {
    for (lane_set& t : set) to_columns<4>(t.x, base, len, t.cx, 0, -input_limit, input_limit);
    if (columns) {
      c = columns->from(base);
      return;
    }
    c = {made.f, made.q, made.limit2, made.a, made.bias};
    for (int s = 0; s < sets; ++s) {
      const lane_set& t = set[s];
      to_columns<8>(t.f, base, len, made.f, 4 * s);
      to_columns<8>(t.q, base, len, made.q, 4 * s);
      if constexpr (limited) to_columns<8>(t.limit, base, len, made.limit2, 4 * s, INT32_MIN, cascade_damping_max);
      if constexpr (saturate) {
        to_columns<8>(t.a, base, len, made.a, 4 * s);
        to_columns<8>(t.bias, base, len, made.bias, 4 * s);
      }
    }
  };

  stage1_result<sets> pending;
  for (int base = 0; base < n; base += chunk) {
    const int len = std::min(chunk, n - base);
    fill(base, len);
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
    set_state(to, &sv::integrators::low, l1.r[s], low1_form);
    set_state(to, &sv::integrators::band, b1.r[s], band1_form);
    set_state(to, &sv::integrators::low2, l2.r[s], low2_form);
    set_state(to, &sv::integrators::band2, b2.r[s], band2_form);
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
    // In their forms (see above).
    low[s] = add_c(_mm256_set_epi64x(set[3].state.low, set[2].state.low, set[1].state.low, set[0].state.low),
                   offset_of<low_limit>);
    band[s] = add_c(_mm256_set_epi64x(set[3].state.band, set[2].state.band, set[1].state.band, set[0].state.band),
                    double_bias);
    f[s] = _mm256_set_epi64x(set[3].f, set[2].f, set[1].f, set[0].f);
    q[s] = _mm256_set_epi64x(set[3].q, set[2].q, set[1].q, set[0].q);
  }
  const __m128i in_lo = _mm_set1_epi32(-input_limit), in_hi = _mm_set1_epi32(input_limit);
  // One sample of set s: inputs and outputs one int32 per lane.
  const auto step = [&](int s, __m128i in) {
    const v4 x = _mm256_cvtepi32_epi64(_mm_min_epi32(_mm_max_epi32(in, in_lo), in_hi));
    const v4 xb = add_c(x, damping_bias + offset_of<low_limit>);
    v4 gain = zero();
    run<band_limit, low_limit, drive::linear>(low[s], band[s], xb, f[s], q[s], zero(), zero(), gain);
    const v4 xd = run<band_limit, low_limit, drive::linear>(low[s], band[s], xb, f[s], q[s], zero(), zero(), gain);
    return output_words(output_plus<mode, low_limit>(double_bias, xb, low[s], band[s], xd));
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
      lanes[4 * s + l].state.low = int32_t(uint32_t(l64[l]) - uint32_t(offset_of<low_limit>));
      lanes[4 * s + l].state.band = int32_t(b64[l]);  // the double bias's low word is 0
    }
  }
}

using held_fn = void (*)(held_lane*, int);

// [sets - 1][variant]
constexpr held_fn held_kernels[2][4] = {
    {&held4<0, 1>, &held4<1, 1>, &held4<2, 1>, &held4<3, 1>},
    {&held4<0, 2>, &held4<1, 2>, &held4<2, 2>, &held4<3, 2>},
};

using step4_fn = void (*)(lane*, int, const coefficient_columns*);

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

void detail::run_avx2(int variant, lane* lanes, int sets, int n, const coefficient_columns* columns) {
  if (n > 0) kernels[sets > 1 ? 1 : 0][variant & 15](lanes, n, columns);
}

void detail::run_held_avx2(int variant, held_lane* lanes, int sets, int n) {
  if (n > 0) held_kernels[sets > 1 ? 1 : 0][variant & 3](lanes, n);
}

}  // namespace synth::svf_lanes

#endif  // __AVX2__
