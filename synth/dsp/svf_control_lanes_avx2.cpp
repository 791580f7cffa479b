// The AVX2 kernel of the coefficient lanes: eight filters' per-sample
// coefficients side by side, one filter per 32-bit lane, operation for
// operation what the scalar code computes. Like the filter lanes' kernel,
// this file alone is compiled with -mavx2 and calls only intrinsics and
// functions of internal linkage. No FMA: the float product is rounded after
// each multiplication, as in the scalar code.
//
// The scalar code's 64-bit products are 32 x 32 bit: the even lanes'
// (vpmuldq) and the odd lanes' (the same after a 32-bit shift down) give
// the exact 64-bit products. Each is then shifted down by k <= 32 and
// narrowed to 32 bits, which keeps bits k .. k + 31 of the product: the
// same bits for a logical shift as for the scalar arithmetic one, so the
// even lanes take them from the low word after a shift down by k, the odd
// lanes from the high word after a shift up by 32 - k. The factors (the
// table holds Q30 coefficients in [0, 2^31), so f and the entries are
// non-negative int32, and f lies between the two entries it interpolates):
//   (c mod 64) * step   step = entries[i + 1] - entries[i], an int32; k = 6
//   f * (0x7FFFFFFF - (f >> 1))   both int32; k = 30
//   max(s, 0) * headroom   headroom = 0x7FFFFFFF - 2 min(f, 2^30 - 1) in
//                          [1, 2^31); k = 31
// The table's (c mod 64) * 2^25 * step / 2^31 is written as (c mod 64) *
// step / 2^6: the same floor, as 2^25 divides both.
//
// Each lane reads the entries i and i + 1 as one 64-bit pair at i in 0..254.
// A cutoff past the table's end (c >= 255 * 64, the last entry) reads the
// pair at 254 with a fraction of 64: entry 254 plus the whole step, the last
// entry exactly. A cutoff at or below 0 reads the pair at 0 with no fraction.
#include "synth/dsp/svf_control_lanes.h"

#if defined(__AVX2__)

#include <immintrin.h>

#include <cstdint>

#include "synth/dsp/avx2_transpose.h"

namespace synth::svf_lanes {

namespace {

using v8 = __m256i;  // eight int32

inline v8 splat(int32_t v) { return _mm256_set1_epi32(v); }

// int32_t((int64_t(a) * b) >> k) in each lane, 0 < k <= 32.
template <int k>
inline v8 product_shifted(v8 a, v8 b) {
  const v8 even = _mm256_srli_epi64(_mm256_mul_epi32(a, b), k);
  const v8 odd = _mm256_slli_epi64(_mm256_mul_epi32(_mm256_srli_epi64(a, 32), _mm256_srli_epi64(b, 32)), 32 - k);
  return _mm256_blend_epi32(even, odd, 0xAA);
}

// entries[at] and entries[at + 1] of each lane (at in 0..254). Scalar
// loads rather than a gather: as fast on the cores measured
// (bench/filter_speed.cpp), and a gather is far slower on cores with the
// microcode fix for gather data sampling.
inline void lookup_pairs(const int32_t* entries, v8 at, v8& e0, v8& e1) {
  alignas(32) int32_t i[8];
  _mm256_store_si256(reinterpret_cast<v8*>(i), at);
  const auto pair = [&](int l) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(entries + i[l])); };
  // a: the pairs of lanes 0, 1 | 4, 5; b: of lanes 2, 3 | 6, 7.
  const v8 a = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpacklo_epi64(pair(0), pair(1))),
                                       _mm_unpacklo_epi64(pair(4), pair(5)), 1);
  const v8 b = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpacklo_epi64(pair(2), pair(3))),
                                       _mm_unpacklo_epi64(pair(6), pair(7)), 1);
  e0 = _mm256_castps_si256(_mm256_shuffle_ps(_mm256_castsi256_ps(a), _mm256_castsi256_ps(b), 0x88));
  e1 = _mm256_castps_si256(_mm256_shuffle_ps(_mm256_castsi256_ps(a), _mm256_castsi256_ps(b), 0xDD));
}

struct constants {
  const int32_t* entries;
  v8 base, q_resonance;
  v8 saturation;  // max(controls.saturation, 0)
  v8 saturating;  // all ones in the lanes of saturating filters
  __m256 fmod;
};

struct state {
  v8 cutoff, f, q, limit, sat_a, sat_bias;
};

// One sample of eight lanes; due: all ones where the control tick is due.
inline void step(state& s, const constants& k, v8 cutoff_mod, v8 due, __m256 smoothed) {
  // The control tick: cutoff from the controls, damping from the resonance
  // within the last limit.
  s.cutoff = _mm256_blendv_epi8(s.cutoff, _mm256_add_epi32(k.base, _mm256_srai_epi32(cutoff_mod, 1)), due);
  const v8 q = _mm256_blendv_epi8(s.q, _mm256_min_epi32(k.q_resonance, s.limit), due);

  // FMod offset: held to +-2^24, a NaN to the low end (the compare is false).
  const __m256 units = _mm256_mul_ps(_mm256_mul_ps(smoothed, k.fmod), _mm256_set1_ps(8192.f));
  const __m256 lo = _mm256_set1_ps(-16777216.f), hi = _mm256_set1_ps(16777216.f);
  const __m256 held = _mm256_blendv_ps(lo, _mm256_min_ps(units, hi), _mm256_cmp_ps(units, lo, _CMP_GT_OQ));
  const v8 c = _mm256_add_epi32(_mm256_cvttps_epi32(held), s.cutoff);

  // Table: the pair at min(max(c / 64, 0), 254) and the fraction: none at or
  // below 0, c mod 64 inside the table, 64 past its end.
  const v8 whole = _mm256_srai_epi32(c, 6);
  const v8 above = _mm256_cmpgt_epi32(c, _mm256_setzero_si256());
  const v8 inside = _mm256_cmpgt_epi32(splat(255), whole);
  const v8 at = _mm256_min_epi32(_mm256_max_epi32(whole, _mm256_setzero_si256()), splat(254));
  const v8 frac = _mm256_and_si256(above, _mm256_blendv_epi8(splat(64), _mm256_and_si256(c, splat(63)), inside));
  v8 e0, e1;
  lookup_pairs(k.entries, at, e0, e1);
  const v8 f = _mm256_add_epi32(e0, product_shifted<6>(_mm256_sub_epi32(e1, e0), frac));

  // svf::damping_limit: 0x7FFFFFFF - f (0x7FFFFFFF - f / 2) / 2^30.
  const v8 m = _mm256_sub_epi32(splat(0x7FFFFFFF), _mm256_srai_epi32(f, 1));
  const v8 limit = _mm256_sub_epi32(splat(0x7FFFFFFF), product_shifted<30>(f, m));

  // svf::saturation::set in the saturating lanes; the others keep theirs.
  const v8 headroom = _mm256_sub_epi32(splat(0x7FFFFFFF), _mm256_slli_epi32(_mm256_min_epi32(f, splat(0x3FFFFFFF)), 1));
  const v8 a = product_shifted<31>(headroom, k.saturation);
  const v8 bias = _mm256_sub_epi32(splat(0x7FFFFF), _mm256_srai_epi32(a, 9));
  s.sat_a = _mm256_blendv_epi8(s.sat_a, a, k.saturating);
  s.sat_bias = _mm256_blendv_epi8(s.sat_bias, bias, k.saturating);

  s.f = f;
  s.limit = limit;
  s.q = _mm256_min_epi32(q, limit);
}

inline void transpose8(v8 (&r)[8]) { avx2::transpose8x8_epi32(r); }

// The due bytes of samples i .. i + 7 of eight lanes as eight rows: row j
// all ones in lane l where lane l's update is due at sample i + j. The bytes
// interleave lane by lane (pairs, quads, all eight: one 64-bit word per
// sample), then each word widens to eight 32-bit lanes.
inline void due_rows(const uint8_t* const (&due)[8], int i, v8 (&rows)[8]) {
  __m128i b[8];
  for (int l = 0; l < 8; ++l) b[l] = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(due[l] + i));
  const __m128i p0 = _mm_unpacklo_epi8(b[0], b[1]), p1 = _mm_unpacklo_epi8(b[2], b[3]);
  const __m128i p2 = _mm_unpacklo_epi8(b[4], b[5]), p3 = _mm_unpacklo_epi8(b[6], b[7]);
  const __m128i low0 = _mm_unpacklo_epi16(p0, p1), high0 = _mm_unpackhi_epi16(p0, p1);  // lanes 0..3
  const __m128i low1 = _mm_unpacklo_epi16(p2, p3), high1 = _mm_unpackhi_epi16(p2, p3);  // lanes 4..7
  const __m128i words[4] = {_mm_unpacklo_epi32(low0, low1), _mm_unpackhi_epi32(low0, low1),
                            _mm_unpacklo_epi32(high0, high1), _mm_unpackhi_epi32(high0, high1)};
  const __m128i zero = _mm_setzero_si128(), ones = _mm_set1_epi32(-1);
  for (int w = 0; w < 4; ++w) {
    const __m128i set = _mm_xor_si128(_mm_cmpeq_epi8(words[w], zero), ones);  // 0xFF where due
    rows[2 * w] = _mm256_cvtepi8_epi32(set);
    rows[2 * w + 1] = _mm256_cvtepi8_epi32(_mm_unpackhi_epi64(set, set));
  }
}

inline v8 load(const void* p) { return _mm256_loadu_si256(static_cast<const v8*>(p)); }

// Eight samples' values of one output, row j being sample i + j, to the lanes.
inline void store8(v8 (&rows)[8], int32_t* const (&to)[8], int i) {
  transpose8(rows);
  for (int l = 0; l < 8; ++l) _mm256_storeu_si256(reinterpret_cast<v8*>(to[l] + i), rows[l]);
}

inline void store1(v8 v, int32_t* const (&to)[8], int i) {
  alignas(32) int32_t values[8];
  _mm256_store_si256(reinterpret_cast<v8*>(values), v);
  for (int l = 0; l < 8; ++l) to[l][i] = values[l];
}

// The lanes' arrays held in locals: the outputs are int32_t like the lane
// records' state fields, so stores through them would otherwise make the
// compiler reload every pointer from the records.
struct arrays {
  const int32_t* cutoff_mod[8];
  const uint8_t* due[8];
  const float* smoothed[8];
  int32_t* f[8];
  int32_t* q[8];
  int32_t* limit[8];
  int32_t* sat_a[8];
  int32_t* sat_bias[8];
};

// Samples i..i+7 of the eight lanes' inputs, one register per sample.
inline void load_eight(const arrays& p, int i, v8 (&mod)[8], v8 (&sm)[8], v8 (&due)[8]) {
  for (int l = 0; l < 8; ++l) {
    mod[l] = load(p.cutoff_mod[l] + i);
    sm[l] = load(p.smoothed[l] + i);
  }
  transpose8(mod);
  transpose8(sm);
  due_rows(p.due, i, due);
}

// One step at sample i, its inputs gathered from the lanes' rows (a run's
// last few samples).
inline void step_single(state& s, const constants& k, const arrays& p, int i) {
  alignas(32) int32_t mod[8], due[8];
  alignas(32) float sm[8];
  for (int l = 0; l < 8; ++l) {
    mod[l] = p.cutoff_mod[l][i];
    sm[l] = p.smoothed[l][i];
    due[l] = p.due[l][i] ? -1 : 0;
  }
  step(s, k, _mm256_load_si256(reinterpret_cast<const v8*>(mod)), _mm256_load_si256(reinterpret_cast<const v8*>(due)),
       _mm256_load_ps(sm));
}

void run_arrays(state& s, const constants& k, const arrays& p, int n) {
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    v8 mod[8], sm[8], due[8];
    load_eight(p, i, mod, sm, due);
    v8 f[8], q[8], limit[8], a[8], bias[8];
#pragma GCC unroll 8
    for (int j = 0; j < 8; ++j) {
      step(s, k, mod[j], due[j], _mm256_castsi256_ps(sm[j]));
      f[j] = s.f;
      q[j] = s.q;
      limit[j] = s.limit;
      a[j] = s.sat_a;
      bias[j] = s.sat_bias;
    }
    store8(f, p.f, i);
    store8(q, p.q, i);
    store8(limit, p.limit, i);
    store8(a, p.sat_a, i);
    store8(bias, p.sat_bias, i);
  }
  for (; i < n; ++i) {
    step_single(s, k, p, i);
    store1(s.f, p.f, i);
    store1(s.q, p.q, i);
    store1(s.limit, p.limit, i);
    store1(s.sat_a, p.sat_a, i);
    store1(s.sat_bias, p.sat_bias, i);
  }
}

// Sample i's coefficients of the eight lanes, one register each, as columns.
inline void store_column(const state& s, const coefficient_columns& c, int i) {
  _mm256_storeu_si256(reinterpret_cast<v8*>(c.f[i]), s.f);
  _mm256_storeu_si256(reinterpret_cast<v8*>(c.q[i]), s.q);
  _mm256_storeu_si256(reinterpret_cast<v8*>(c.limit2[i]), _mm256_min_epi32(s.limit, splat(svf::cascade_damping_max)));
  _mm256_storeu_si256(reinterpret_cast<v8*>(c.sat_a[i]), s.sat_a);
  _mm256_storeu_si256(reinterpret_cast<v8*>(c.sat_bias[i]), s.sat_bias);
}

// The columns' form: each sample's registers stored as they come, no
// transposes; the inputs still arrive as the lanes' rows.
void run_columns(state& s, const constants& k, const arrays& p, const coefficient_columns& c, int n) {
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    v8 mod[8], sm[8], due[8];
    load_eight(p, i, mod, sm, due);
#pragma GCC unroll 8
    for (int j = 0; j < 8; ++j) {
      step(s, k, mod[j], due[j], _mm256_castsi256_ps(sm[j]));
      store_column(s, c, i + j);
    }
  }
  for (; i < n; ++i) {
    step_single(s, k, p, i);
    store_column(s, c, i);
  }
}

template <typename T, typename F>
inline v8 gather_field(const control_run* lanes, F field) {
  alignas(32) T v[8];
  for (int l = 0; l < 8; ++l) v[l] = field(lanes[l]);
  return _mm256_load_si256(reinterpret_cast<const v8*>(v));
}

void run8(control_run* lanes, int n, const coefficient_columns* columns) {
  constants k;
  k.entries = lanes[0].entries;
  k.base = gather_field<int32_t>(lanes, [](const control_run& r) { return r.base; });
  k.q_resonance = gather_field<int32_t>(lanes, [](const control_run& r) { return r.q_resonance; });
  k.saturation = _mm256_max_epi32(gather_field<int32_t>(lanes, [](const control_run& r) { return r.saturation; }),
                                  _mm256_setzero_si256());
  k.saturating = gather_field<int32_t>(lanes, [](const control_run& r) { return r.saturating ? -1 : 0; });
  k.fmod = _mm256_castsi256_ps(gather_field<float>(lanes, [](const control_run& r) { return r.fmod; }));
  state s;
  s.cutoff = gather_field<int32_t>(lanes, [](const control_run& r) { return r.cutoff; });
  s.f = gather_field<int32_t>(lanes, [](const control_run& r) { return r.f; });
  s.q = gather_field<int32_t>(lanes, [](const control_run& r) { return r.q; });
  s.limit = gather_field<int32_t>(lanes, [](const control_run& r) { return r.limit; });
  s.sat_a = gather_field<int32_t>(lanes, [](const control_run& r) { return r.sat_a; });
  s.sat_bias = gather_field<int32_t>(lanes, [](const control_run& r) { return r.sat_bias; });

  arrays p;
  for (int l = 0; l < 8; ++l) {
    p.cutoff_mod[l] = lanes[l].cutoff_mod;
    p.due[l] = lanes[l].due;
    p.smoothed[l] = lanes[l].smoothed;
    p.f[l] = lanes[l].out.f;
    p.q[l] = lanes[l].out.q;
    p.limit[l] = lanes[l].out.limit;
    p.sat_a[l] = lanes[l].out.sat_a;
    p.sat_bias[l] = lanes[l].out.sat_bias;
  }
  if (columns) {
    run_columns(s, k, p, *columns, n);
  } else {
    run_arrays(s, k, p, n);
  }

  alignas(32) int32_t values[6][8];
  _mm256_store_si256(reinterpret_cast<v8*>(values[0]), s.cutoff);
  _mm256_store_si256(reinterpret_cast<v8*>(values[1]), s.f);
  _mm256_store_si256(reinterpret_cast<v8*>(values[2]), s.q);
  _mm256_store_si256(reinterpret_cast<v8*>(values[3]), s.limit);
  _mm256_store_si256(reinterpret_cast<v8*>(values[4]), s.sat_a);
  _mm256_store_si256(reinterpret_cast<v8*>(values[5]), s.sat_bias);
  for (int l = 0; l < 8; ++l) {
    lanes[l].cutoff = values[0][l];
    lanes[l].f = values[1][l];
    lanes[l].q = values[2][l];
    lanes[l].limit = values[3][l];
    lanes[l].sat_a = values[4][l];
    lanes[l].sat_bias = values[5][l];
  }
}

}  // namespace

void detail::controls_avx2(control_run* lanes, int n, const coefficient_columns* columns) {
  if (n > 0) run8(lanes, n, columns);
}

}  // namespace synth::svf_lanes

#endif  // __AVX2__
