// The shaper's AVX2 kernel: five to eight voices in one set of eight lanes,
// where the SSE2 kernel runs two sets of four. shape_sample's float
// operations lane by lane in its order (this file is compiled with -mavx2
// alone, so none is fused), so the outputs and states are the SSE2 kernel's
// bit for bit. One set's constants and states fit the sixteen registers,
// where two sets of four spill. It runs only after CPU detection has found
// AVX2 and calls no inline function of a shared header (a copy emitted here
// would carry AVX2 instructions): the filters' and the curves' fields are
// read and written directly.
#include "synth/dsp/shaper_stage.h"

#if defined(__AVX2__)

#include <immintrin.h>

#include "synth/dsp/avx2_transpose.h"

namespace synth::detail {

namespace {

constexpr int lanes = 8;

// One float per voice; the lanes past `count` hold voice 0's values and are
// never stored.
struct lane_values {
  alignas(32) float v[lanes];
};

// Eight voices' constants and filter states, one lane each.
struct lane_set {
  __m256 tone_g, tone_k, dc_g, dc_k, d, d1, limit, k, c, bias;
  __m256 tone_s, dc_z;
};

static lane_set gather_set(const shaper_voice* voices, int count) {
  lane_values t[12];
  for (int j = 0; j < lanes; ++j) {
    const shaper_voice& v = voices[j < count ? j : 0];
    t[0].v[j] = v.tone->c.g;
    t[1].v[j] = v.tone->c.k;
    t[2].v[j] = v.dc->c.g;
    t[3].v[j] = v.dc->c.k;
    t[4].v[j] = v.curve->d;
    t[5].v[j] = v.curve->d_plus_1;
    t[6].v[j] = v.curve->limit;
    t[7].v[j] = v.curve->k;
    t[8].v[j] = v.curve->c;
    t[9].v[j] = v.bias;
    t[10].v[j] = v.tone->s;
    t[11].v[j] = v.dc->z;
  }
  lane_set s;
  __m256* fields[12] = {&s.tone_g, &s.tone_k, &s.dc_g, &s.dc_k, &s.d,      &s.d1,
                        &s.limit,  &s.k,      &s.c,    &s.bias, &s.tone_s, &s.dc_z};
  for (int f = 0; f < 12; ++f) *fields[f] = _mm256_loadu_ps(t[f].v);
  return s;
}

static void scatter_states(const lane_set& s, const shaper_voice* voices, int count) {
  lane_values tone, dc;
  _mm256_storeu_ps(tone.v, s.tone_s);
  _mm256_storeu_ps(dc.v, s.dc_z);
  for (int j = 0; j < count; ++j) {
    voices[j].tone->s = tone.v[j];
    voices[j].dc->z = dc.v[j];
  }
}

static inline __m256 abs_ps(__m256 x) { return _mm256_andnot_ps(_mm256_set1_ps(-0.f), x); }

// shaper_curve::process for one mode, lane by lane.
template <int Mode>
static inline __m256 curve_ps(__m256 y, const lane_set& s) {
  if constexpr (Mode == 0) {
    return _mm256_div_ps(_mm256_mul_ps(y, s.d1), _mm256_add_ps(abs_ps(y), s.d));
  } else if constexpr (Mode == 1) {
    // std::clamp: below -limit -> -limit, else above limit -> limit, else y (a NaN stays).
    const __m256 low = _mm256_sub_ps(_mm256_setzero_ps(), s.limit);
    y = _mm256_blendv_ps(_mm256_blendv_ps(y, s.limit, _mm256_cmp_ps(s.limit, y, _CMP_LT_OQ)), low,
                         _mm256_cmp_ps(y, low, _CMP_LT_OQ));
    return _mm256_div_ps(_mm256_mul_ps(y, s.d), _mm256_add_ps(s.k, _mm256_sub_ps(s.limit, abs_ps(y))));
  } else {
    return _mm256_add_ps(y, _mm256_mul_ps(_mm256_sub_ps(abs_ps(y), y), s.c));
  }
}

// One sample of eight voices: shape_sample's steps lane by lane.
template <int Mode>
static inline __m256i shape8(lane_set& s, __m256i in) {
  const __m256 x = _mm256_mul_ps(_mm256_cvtepi32_ps(in), _mm256_set1_ps(shaper_input_scale));
  // Tone lowpass: lp = (g x + s) k, s = (x - lp) g + lp.
  const __m256 lp = _mm256_mul_ps(_mm256_add_ps(_mm256_mul_ps(s.tone_g, x), s.tone_s), s.tone_k);
  s.tone_s = _mm256_add_ps(_mm256_mul_ps(_mm256_sub_ps(x, lp), s.tone_g), lp);
  const __m256 h = _mm256_sub_ps(x, lp);
  const __m256 y = _mm256_add_ps(curve_ps<Mode>(_mm256_add_ps(h, s.bias), s), lp);
  // Highpass: hp = y k - z k, lp = (g y + z) k, z = (y - lp) g + lp.
  const __m256 hp = _mm256_sub_ps(_mm256_mul_ps(y, s.dc_k), _mm256_mul_ps(s.dc_z, s.dc_k));
  const __m256 lp2 = _mm256_mul_ps(_mm256_add_ps(_mm256_mul_ps(s.dc_g, y), s.dc_z), s.dc_k);
  s.dc_z = _mm256_add_ps(_mm256_mul_ps(_mm256_sub_ps(y, lp2), s.dc_g), lp2);
  // To fixed point: NaN and up to -2.1e9 to the bottom, above 2.1e9 to the top.
  const __m256 scaled = _mm256_mul_ps(hp, _mm256_set1_ps(shaper_output_scale));
  const __m256i truncated = _mm256_cvttps_epi32(scaled);
  const __m256 above_bottom = _mm256_cmp_ps(scaled, _mm256_set1_ps(-2.1e9f), _CMP_GT_OQ);
  const __m256 above_top = _mm256_cmp_ps(scaled, _mm256_set1_ps(2.1e9f), _CMP_GT_OQ);
  const __m256 r = _mm256_blendv_ps(_mm256_castsi256_ps(_mm256_set1_epi32(-2100000000)),
                                    _mm256_castsi256_ps(truncated), above_bottom);
  return _mm256_castps_si256(_mm256_blendv_ps(r, _mm256_castsi256_ps(_mm256_set1_epi32(2100000000)), above_top));
}

// Rows (eight samples of one voice) to columns (one sample of eight
// voices) and back: the same shuffle both ways.
static inline void transpose(__m256i (&r)[lanes]) { avx2::transpose8x8_epi32(r); }

template <int Mode>
static void shape(const shaper_voice* voices, int count, const int32_t* const* in, int32_t* const* out, int n) {
  lane_set s = gather_set(voices, count);
  const int32_t* from[lanes];
  for (int j = 0; j < lanes; ++j) from[j] = in[j < count ? j : 0];
  int i = 0;
  for (; i + lanes <= n; i += lanes) {
    __m256i x[lanes];
    for (int j = 0; j < lanes; ++j) x[j] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from[j] + i));
    transpose(x);
    for (int j = 0; j < lanes; ++j) x[j] = shape8<Mode>(s, x[j]);
    transpose(x);
    for (int j = 0; j < count; ++j) _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[j] + i), x[j]);
  }
  for (; i < n; ++i) {
    const __m256i x = _mm256_setr_epi32(from[0][i], from[1][i], from[2][i], from[3][i], from[4][i], from[5][i],
                                        from[6][i], from[7][i]);
    alignas(32) int32_t lane_out[lanes];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lane_out), shape8<Mode>(s, x));
    for (int j = 0; j < count; ++j) out[j][i] = lane_out[j];
  }
  scatter_states(s, voices, count);
}

}  // namespace

void shape_lanes_avx2(const shaper_voice* voices, int count, int mode, const int32_t* const* in,
                      int32_t* const* out, int n) {
  switch (mode) {
    case 0: return shape<0>(voices, count, in, out, n);
    case 1: return shape<1>(voices, count, in, out, n);
    default: return shape<2>(voices, count, in, out, n);
  }
}

}  // namespace synth::detail

#endif  // __AVX2__
