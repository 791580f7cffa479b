// The AVX2 kernel of the coefficient lanes: four filters' per-sample
// coefficients side by side, 32-bit lanes where the scalar code computes in
// 32 bits (cutoff, clamps, compares, narrowed results), 64-bit lanes for its
// 64-bit products and shifts, operation for operation. Like the filter lanes'
// kernel, this file alone is compiled with -mavx2 and calls only intrinsics
// and functions of internal linkage (its own and avx2_int64.h's). No FMA: the float product is
// rounded after each multiplication, as in the scalar code.
//
// Ranges the products rely on (the table holds Q30 coefficients in
// [0, 2^31), so f and the entries are non-negative int32):
//   (c mod 64) * step   step = entries[i + 1] - entries[i], any 64-bit value
//                       (mul_wide), the other factor in [0, 64)
//   f * (0x7FFFFFFF - (f >> 1))   both int32
//   max(s, 0) * headroom          headroom in [1, 2^31), any 64-bit (mul_wide)
// The table's (c mod 64) * 2^25 * step / 2^31 is written as (c mod 64) * step
// / 2^6: the same floor, as 2^25 divides both.
#include "synth/dsp/svf_control_lanes.h"

#if defined(__AVX2__)

#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "synth/dsp/avx2_int64.h"

namespace synth::svf_lanes {

namespace {

using v4 = __m256i;  // four int64
using w4 = __m128i;  // four int32

inline w4 splat32(int32_t v) { return _mm_set1_epi32(v); }
inline v4 splat64(int64_t v) { return _mm256_set1_epi64x(v); }
inline v4 widen(w4 v) { return _mm256_cvtepi32_epi64(v); }

// int32_t(v) of each 64-bit lane: the low words, packed.
inline w4 narrow(v4 v) {
  return _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7)));
}

using avx2::mul_wide;
using avx2::sra;

// entries[index] of each lane. Scalar loads rather than a gather: as fast
// on the cores measured (bench/filter_speed.cpp), and a gather is far slower
// on cores with the microcode fix for gather data sampling.
inline w4 lookup(const int32_t* entries, w4 index) {
  alignas(16) int32_t at[4];
  _mm_store_si128(reinterpret_cast<w4*>(at), index);
  return _mm_setr_epi32(entries[at[0]], entries[at[1]], entries[at[2]], entries[at[3]]);
}

struct constants {
  const int32_t* entries;
  w4 base, q_resonance;
  w4 saturation;  // max(controls.saturation, 0)
  w4 saturating;  // all ones in the lanes of saturating filters
  __m128 fmod;
};

struct state {
  w4 cutoff, f, q, limit, sat_a, sat_bias;
};

// One sample of four lanes; due: all ones where the control tick is due.
inline void step(state& s, const constants& k, w4 cutoff_mod, w4 due, __m128 smoothed) {
  // The control tick: cutoff from the controls, damping from the resonance
  // within the last limit.
  s.cutoff = _mm_blendv_epi8(s.cutoff, _mm_add_epi32(k.base, _mm_srai_epi32(cutoff_mod, 1)), due);
  const w4 q = _mm_blendv_epi8(s.q, _mm_min_epi32(k.q_resonance, s.limit), due);

  // FMod offset: held to +-2^24, a NaN to the low end (the compare is false).
  const __m128 units = _mm_mul_ps(_mm_mul_ps(smoothed, k.fmod), _mm_set1_ps(8192.f));
  const __m128 lo = _mm_set1_ps(-16777216.f), hi = _mm_set1_ps(16777216.f);
  const __m128 held = _mm_blendv_ps(lo, _mm_min_ps(units, hi), _mm_cmpgt_ps(units, lo));
  const w4 c = _mm_add_epi32(_mm_cvttps_epi32(held), s.cutoff);

  // Table: c <= 0 reads entry 0, c >= 255 * 64 the last entry, both with no
  // fraction; else entries i and i + 1 interpolated.
  const w4 whole = _mm_srai_epi32(c, 6);
  const w4 inside = _mm_and_si128(_mm_cmpgt_epi32(c, _mm_setzero_si128()), _mm_cmpgt_epi32(splat32(255), whole));
  const w4 i0 = _mm_min_epi32(_mm_max_epi32(whole, _mm_setzero_si128()), splat32(255));
  const w4 i1 = _mm_min_epi32(_mm_add_epi32(i0, splat32(1)), splat32(255));
  const w4 e0 = lookup(k.entries, i0);
  const w4 e1 = lookup(k.entries, i1);
  const w4 frac = _mm_and_si128(_mm_and_si128(c, splat32(63)), inside);
  const v4 delta = mul_wide(_mm256_sub_epi64(widen(e1), widen(e0)), widen(frac));
  const w4 f = _mm_add_epi32(e0, narrow(sra<6>(delta)));

  // svf::damping_limit: 0x7FFFFFFF - f (0x7FFFFFFF - f / 2) / 2^30.
  const w4 m = _mm_sub_epi32(splat32(0x7FFFFFFF), _mm_srai_epi32(f, 1));
  const v4 used = sra<30>(_mm256_mul_epi32(widen(f), widen(m)));
  const w4 limit = _mm_sub_epi32(splat32(0x7FFFFFFF), narrow(used));

  // svf::saturation::set in the saturating lanes; the others keep theirs.
  const w4 f_held = _mm_min_epi32(f, splat32(0x3FFFFFFF));
  const v4 headroom = _mm256_sub_epi64(splat64(0x7FFFFFFF), _mm256_slli_epi64(widen(f_held), 1));
  const w4 a = narrow(sra<31>(mul_wide(headroom, widen(k.saturation))));
  const w4 bias = _mm_sub_epi32(splat32(0x7FFFFF), _mm_srai_epi32(a, 9));
  s.sat_a = _mm_blendv_epi8(s.sat_a, a, k.saturating);
  s.sat_bias = _mm_blendv_epi8(s.sat_bias, bias, k.saturating);

  s.f = f;
  s.limit = limit;
  s.q = _mm_min_epi32(q, limit);
}

// Rows (one per sample) to columns (one per lane) and back.
inline void transpose(w4& r0, w4& r1, w4& r2, w4& r3) {
  const w4 t0 = _mm_unpacklo_epi32(r0, r1), t1 = _mm_unpacklo_epi32(r2, r3);
  const w4 t2 = _mm_unpackhi_epi32(r0, r1), t3 = _mm_unpackhi_epi32(r2, r3);
  r0 = _mm_unpacklo_epi64(t0, t1);
  r1 = _mm_unpackhi_epi64(t0, t1);
  r2 = _mm_unpacklo_epi64(t2, t3);
  r3 = _mm_unpackhi_epi64(t2, t3);
}

inline w4 load(const void* p) { return _mm_loadu_si128(static_cast<const w4*>(p)); }

// Four samples' values of one output, row j being sample i + j, to the lanes.
inline void store4(w4 (&rows)[4], int32_t* const (&to)[4], int i) {
  w4 r0 = rows[0], r1 = rows[1], r2 = rows[2], r3 = rows[3];
  transpose(r0, r1, r2, r3);
  _mm_storeu_si128(reinterpret_cast<w4*>(to[0] + i), r0);
  _mm_storeu_si128(reinterpret_cast<w4*>(to[1] + i), r1);
  _mm_storeu_si128(reinterpret_cast<w4*>(to[2] + i), r2);
  _mm_storeu_si128(reinterpret_cast<w4*>(to[3] + i), r3);
}

inline void store1(w4 v, int32_t* const (&to)[4], int i) {
  alignas(16) int32_t values[4];
  _mm_store_si128(reinterpret_cast<w4*>(values), v);
  for (int l = 0; l < 4; ++l) to[l][i] = values[l];
}

// The lanes' arrays held in locals: the outputs are int32_t like the lane
// records' state fields, so stores through them would otherwise make the
// compiler reload every pointer from the records.
struct arrays {
  const int32_t* cutoff_mod[4];
  const uint8_t* due[4];
  const float* smoothed[4];
  int32_t* f[4];
  int32_t* q[4];
  int32_t* limit[4];
  int32_t* sat_a[4];
  int32_t* sat_bias[4];
};

void run_arrays(state& s, const constants& k, const arrays& p, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    w4 mod[4], sm[4];
    uint32_t due_bytes[4];
    for (int l = 0; l < 4; ++l) {
      mod[l] = load(p.cutoff_mod[l] + i);
      sm[l] = load(p.smoothed[l] + i);
      std::memcpy(&due_bytes[l], p.due[l] + i, 4);
    }
    transpose(mod[0], mod[1], mod[2], mod[3]);
    transpose(sm[0], sm[1], sm[2], sm[3]);
    const w4 due_words = _mm_setr_epi32(int32_t(due_bytes[0]), int32_t(due_bytes[1]), int32_t(due_bytes[2]),
                                        int32_t(due_bytes[3]));
    w4 f[4], q[4], limit[4], a[4], bias[4];
#pragma GCC unroll 4
    for (int j = 0; j < 4; ++j) {
      // Byte j of each lane's word (memory order, little endian) is sample i + j.
      const w4 byte = _mm_and_si128(_mm_srl_epi32(due_words, _mm_cvtsi32_si128(8 * j)), splat32(0xFF));
      const w4 due = _mm_xor_si128(_mm_cmpeq_epi32(byte, _mm_setzero_si128()), splat32(-1));
      step(s, k, mod[j], due, _mm_castsi128_ps(sm[j]));
      f[j] = s.f;
      q[j] = s.q;
      limit[j] = s.limit;
      a[j] = s.sat_a;
      bias[j] = s.sat_bias;
    }
    store4(f, p.f, i);
    store4(q, p.q, i);
    store4(limit, p.limit, i);
    store4(a, p.sat_a, i);
    store4(bias, p.sat_bias, i);
  }
  for (; i < n; ++i) {
    const w4 mod = _mm_setr_epi32(p.cutoff_mod[0][i], p.cutoff_mod[1][i], p.cutoff_mod[2][i],
                                  p.cutoff_mod[3][i]);
    const __m128 sm = _mm_setr_ps(p.smoothed[0][i], p.smoothed[1][i], p.smoothed[2][i],
                                  p.smoothed[3][i]);
    const w4 due = _mm_setr_epi32(p.due[0][i] ? -1 : 0, p.due[1][i] ? -1 : 0, p.due[2][i] ? -1 : 0,
                                  p.due[3][i] ? -1 : 0);
    step(s, k, mod, due, sm);
    store1(s.f, p.f, i);
    store1(s.q, p.q, i);
    store1(s.limit, p.limit, i);
    store1(s.sat_a, p.sat_a, i);
    store1(s.sat_bias, p.sat_bias, i);
  }
}

void run4(control_run* lanes, int n) {
  constants k;
  k.entries = lanes[0].entries;
  k.base = _mm_setr_epi32(lanes[0].base, lanes[1].base, lanes[2].base, lanes[3].base);
  k.q_resonance =
      _mm_setr_epi32(lanes[0].q_resonance, lanes[1].q_resonance, lanes[2].q_resonance, lanes[3].q_resonance);
  k.saturation = _mm_max_epi32(
      _mm_setr_epi32(lanes[0].saturation, lanes[1].saturation, lanes[2].saturation, lanes[3].saturation),
      _mm_setzero_si128());
  k.saturating = _mm_sub_epi32(_mm_setzero_si128(), _mm_setr_epi32(lanes[0].saturating, lanes[1].saturating,
                                                                   lanes[2].saturating, lanes[3].saturating));
  k.fmod = _mm_setr_ps(lanes[0].fmod, lanes[1].fmod, lanes[2].fmod, lanes[3].fmod);
  state s;
  s.cutoff = _mm_setr_epi32(lanes[0].cutoff, lanes[1].cutoff, lanes[2].cutoff, lanes[3].cutoff);
  s.f = _mm_setr_epi32(lanes[0].f, lanes[1].f, lanes[2].f, lanes[3].f);
  s.q = _mm_setr_epi32(lanes[0].q, lanes[1].q, lanes[2].q, lanes[3].q);
  s.limit = _mm_setr_epi32(lanes[0].limit, lanes[1].limit, lanes[2].limit, lanes[3].limit);
  s.sat_a = _mm_setr_epi32(lanes[0].sat_a, lanes[1].sat_a, lanes[2].sat_a, lanes[3].sat_a);
  s.sat_bias = _mm_setr_epi32(lanes[0].sat_bias, lanes[1].sat_bias, lanes[2].sat_bias, lanes[3].sat_bias);

  arrays p;
  for (int l = 0; l < 4; ++l) {
    p.cutoff_mod[l] = lanes[l].cutoff_mod;
    p.due[l] = lanes[l].due;
    p.smoothed[l] = lanes[l].smoothed;
    p.f[l] = lanes[l].out.f;
    p.q[l] = lanes[l].out.q;
    p.limit[l] = lanes[l].out.limit;
    p.sat_a[l] = lanes[l].out.sat_a;
    p.sat_bias[l] = lanes[l].out.sat_bias;
  }
  run_arrays(s, k, p, n);

  alignas(16) int32_t values[6][4];
  _mm_store_si128(reinterpret_cast<w4*>(values[0]), s.cutoff);
  _mm_store_si128(reinterpret_cast<w4*>(values[1]), s.f);
  _mm_store_si128(reinterpret_cast<w4*>(values[2]), s.q);
  _mm_store_si128(reinterpret_cast<w4*>(values[3]), s.limit);
  _mm_store_si128(reinterpret_cast<w4*>(values[4]), s.sat_a);
  _mm_store_si128(reinterpret_cast<w4*>(values[5]), s.sat_bias);
  for (int l = 0; l < 4; ++l) {
    lanes[l].cutoff = values[0][l];
    lanes[l].f = values[1][l];
    lanes[l].q = values[2][l];
    lanes[l].limit = values[3][l];
    lanes[l].sat_a = values[4][l];
    lanes[l].sat_bias = values[5][l];
  }
}

}  // namespace

void detail::controls_avx2(control_run* lanes, int n) {
  if (n > 0) run4(lanes, n);
}

}  // namespace synth::svf_lanes

#endif  // __AVX2__
