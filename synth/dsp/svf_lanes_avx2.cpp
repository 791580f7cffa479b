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

#include <cstdint>

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
// logical shift gives as well.
template <int32_t limit>
inline v4 integrate(v4 state, v4 product) {
  if constexpr (limit == svf::no_limit) {
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

// svf::run on four filters.
template <int32_t band_limit, int32_t low_limit, drive kind>
inline v4 run(v4& low, v4& band, v4 x, v4 f, v4 q, v4 a, v4 bias, v4& gain) {
  v4 damping = sra<29>(_mm256_mul_epi32(q, band));
  v4 h = sub(sub(x, damping), low);
  band = integrate<band_limit>(band, mul_wide(h, f));
  if constexpr (kind == drive::linear) {
    low = integrate<low_limit>(low, _mm256_mul_epi32(band, f));
  } else {
    if constexpr (kind == drive::own) gain = gain_of(band, a, bias);
    v4 b = sra<23>(_mm256_mul_epi32(gain, band));
    low = integrate<low_limit>(low, kind == drive::own ? _mm256_mul_epi32(b, f) : mul_wide(b, f));
  }
  return damping;
}

// Sample i of the four lanes' arrays, sign-extended into the 64-bit lanes.
inline __m128i gather32(const int32_t* const p[max_lanes], int i) {
  return _mm_set_epi32(p[3][i], p[2][i], p[1][i], p[0][i]);
}
inline v4 gather(const int32_t* const p[max_lanes], int i) {
  return _mm256_cvtepi32_epi64(gather32(p, i));
}

inline v4 state_of(const lane* lanes, int32_t state_variable_filter::integrators::*field) {
  return _mm256_set_epi64x(lanes[3].state.*field, lanes[2].state.*field, lanes[1].state.*field,
                           lanes[0].state.*field);
}
inline void set_state(lane* lanes, int32_t state_variable_filter::integrators::*field, v4 v) {
  int64_t s[max_lanes];
  _mm256_storeu_si256(reinterpret_cast<v4*>(s), v);
  for (int l = 0; l < max_lanes; ++l) lanes[l].state.*field = int32_t(s[l]);
}

// What the second stage of a 24 dB form takes from the first.
struct stage1_result {
  v4 y, f, q2, gain;
};

// state_variable_filter::step on four lanes for n samples. In the 24 dB
// forms the second stage of sample i runs beside the first stage of sample
// i + 1: the two chains are independent, so the core overlaps them.
template <int mode, bool cascade, bool saturate>
void step4(lane* lanes, int n) {
  using sv = state_variable_filter;
  using namespace svf;
  constexpr bool band_form = mode == sv::band;
  constexpr int32_t band_limit = band_form ? clamp25 : clamp24;
  constexpr int32_t low_limit = band_form ? clamp24 : no_limit;
  constexpr drive drive1 = saturate ? drive::own : drive::linear;

  const int32_t *xs[max_lanes], *fs[max_lanes], *qs[max_lanes], *limits[max_lanes];
  const int32_t *as[max_lanes], *biases[max_lanes];
  for (int l = 0; l < max_lanes; ++l) {
    xs[l] = lanes[l].x, fs[l] = lanes[l].f, qs[l] = lanes[l].q, limits[l] = lanes[l].limit;
    as[l] = lanes[l].sat_a, biases[l] = lanes[l].sat_bias;
  }
  v4 l1 = state_of(lanes, &sv::integrators::low), b1 = state_of(lanes, &sv::integrators::band);
  v4 l2 = state_of(lanes, &sv::integrators::low2), b2 = state_of(lanes, &sv::integrators::band2);
  const __m128i in_lo = _mm_set1_epi32(-input_limit), in_hi = _mm_set1_epi32(input_limit);

  auto stage1 = [&](int i) {
    const v4 x = _mm256_cvtepi32_epi64(_mm_min_epi32(_mm_max_epi32(gather32(xs, i), in_lo), in_hi));
    stage1_result r{zero(), gather(fs, i), gather(qs, i), zero()};
    v4 a = zero(), bias = zero();
    if constexpr (saturate) a = gather(as, i), bias = gather(biases, i);
    run<band_limit, low_limit, drive1>(l1, b1, x, r.f, r.q2, a, bias, r.gain);
    v4 damping1 = run<band_limit, low_limit, drive1>(l1, b1, x, r.f, r.q2, a, bias, r.gain);
    r.y = mode == sv::low ? l1 : mode == sv::band ? b1 : mode == sv::high ? sub(x, l1) : sub(x, damping1);
    // Sign-extended int32 values: the 32-bit minimum is the 64-bit one.
    if constexpr (cascade && mode != sv::notch)
      r.q2 = _mm256_min_epi32(gather(limits, i), splat(cascade_damping_max));
    return r;
  };
  auto stage2 = [&](const stage1_result& r) {
    constexpr int32_t band2_limit = mode == sv::notch ? clamp25 : no_limit;
    constexpr drive drive2 = saturate ? drive::shared : drive::linear;
    v4 gain = r.gain;
    run<band2_limit, no_limit, drive2>(l2, b2, r.y, r.f, r.q2, zero(), zero(), gain);
    v4 damping2 = run<band2_limit, no_limit, drive2>(l2, b2, r.y, r.f, r.q2, zero(), zero(), gain);
    return mode == sv::low ? l2 : mode == sv::band ? b2 : mode == sv::high ? sub(r.y, l2) : sub(r.y, damping2);
  };
  auto output = [&](int i, v4 y) {
    const v4 low_words = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
    y = clamp(y, -output_limit, output_limit);
    const __m128i out = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(y, low_words));
    lanes[0].y[i] = _mm_cvtsi128_si32(out);
    lanes[1].y[i] = _mm_extract_epi32(out, 1);
    lanes[2].y[i] = _mm_extract_epi32(out, 2);
    lanes[3].y[i] = _mm_extract_epi32(out, 3);
  };

  if constexpr (cascade) {
    stage1_result pending = stage1(0);
    for (int i = 1; i < n; ++i) {
      const stage1_result next = stage1(i);
      output(i - 1, stage2(pending));
      pending = next;
    }
    output(n - 1, stage2(pending));
  } else {
    for (int i = 0; i < n; ++i) output(i, stage1(i).y);
  }
  set_state(lanes, &sv::integrators::low, l1);
  set_state(lanes, &sv::integrators::band, b1);
  set_state(lanes, &sv::integrators::low2, l2);
  set_state(lanes, &sv::integrators::band2, b2);
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
  const int32_t* xs[sets][max_lanes];
  int32_t* ys[sets][max_lanes];
  v4 low[sets], band[sets], f[sets], q[sets];
  for (int s = 0; s < sets; ++s) {
    held_lane* set = lanes + 4 * s;
    for (int l = 0; l < max_lanes; ++l) xs[s][l] = set[l].x, ys[s][l] = set[l].y;
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
      for (int l = 0; l < max_lanes; ++l) r[s][l] = load(xs[s][l] + i);
      transpose(r[s][0], r[s][1], r[s][2], r[s][3]);
    }
    for (int k = 0; k < 4; ++k)
      for (int s = 0; s < sets; ++s) r[s][k] = step(s, r[s][k]);
    for (int s = 0; s < sets; ++s) {
      transpose(r[s][0], r[s][1], r[s][2], r[s][3]);
      for (int l = 0; l < max_lanes; ++l) store(ys[s][l] + i, r[s][l]);
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
    int64_t l64[max_lanes], b64[max_lanes];
    _mm256_storeu_si256(reinterpret_cast<v4*>(l64), low[s]);
    _mm256_storeu_si256(reinterpret_cast<v4*>(b64), band[s]);
    for (int l = 0; l < max_lanes; ++l) {
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

// Entry mode_index + 4 * (24 dB) + 8 * (saturating).
constexpr step4_fn kernels[state_variable_filter::variant_count] = {
    &step4<0, false, false>, &step4<1, false, false>, &step4<2, false, false>, &step4<3, false, false>,
    &step4<0, true, false>,  &step4<1, true, false>,  &step4<2, true, false>,  &step4<3, true, false>,
    &step4<0, false, true>,  &step4<1, false, true>,  &step4<2, false, true>,  &step4<3, false, true>,
    &step4<0, true, true>,   &step4<1, true, true>,   &step4<2, true, true>,   &step4<3, true, true>,
};

}  // namespace

void detail::run_avx2(int variant, lane* lanes, int n) {
  if (n > 0) kernels[variant & 15](lanes, n);
}

void detail::run_held_avx2(int variant, held_lane* lanes, int sets, int n) {
  if (n > 0) held_kernels[sets > 1 ? 1 : 0][variant & 3](lanes, n);
}

}  // namespace synth::svf_lanes

#endif  // __AVX2__
