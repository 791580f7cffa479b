#include "synth/dsp/shaper_stage.h"

#include "synth/dsp/sse2_ops.h"

namespace synth {

namespace {

void shape_one_by_one(const shaper_voice* voices, int count, const int32_t* const* in, int32_t* const* out, int n) {
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < count; ++k) out[k][i] = shape_sample(voices[k], in[k][i]);
}

#if defined(__SSE2__)

using sse2::abs_ps;
using sse2::select_ps;

// One float per voice; lanes past `count` hold copies of voice 0's values
// and are never stored.
struct lane_values {
  alignas(16) float v[4];
};

template <typename Get>
__m128 gather(const shaper_voice* voices, int count, Get get) {
  lane_values t;
  for (int k = 0; k < 4; ++k) t.v[k] = get(voices[k < count ? k : 0]);
  return _mm_load_ps(t.v);
}

void scatter(__m128 x, const shaper_voice* voices, int count, float* (*field)(const shaper_voice&)) {
  lane_values t;
  _mm_store_ps(t.v, x);
  for (int k = 0; k < count; ++k) *field(voices[k]) = t.v[k];
}


// shaper_curve::process for one mode, lane by lane.
template <int Mode>
inline __m128 curve_ps(__m128 y, __m128 d, __m128 d1, __m128 limit, __m128 k, __m128 c) {
  if constexpr (Mode == 0) {
    return _mm_div_ps(_mm_mul_ps(y, d1), _mm_add_ps(abs_ps(y), d));
  } else if constexpr (Mode == 1) {
    // std::clamp: below -limit -> -limit, else above limit -> limit, else y (a NaN stays).
    const __m128 low = _mm_sub_ps(_mm_setzero_ps(), limit);
    y = select_ps(_mm_cmplt_ps(y, low), low, select_ps(_mm_cmplt_ps(limit, y), limit, y));
    return _mm_div_ps(_mm_mul_ps(y, d), _mm_add_ps(k, _mm_sub_ps(limit, abs_ps(y))));
  } else {
    return _mm_add_ps(y, _mm_mul_ps(_mm_sub_ps(abs_ps(y), y), c));
  }
}

template <int Mode>
void shape_sse(const shaper_voice* voices, int count, const int32_t* const* in, int32_t* const* out, int n) {
  const __m128 tone_g = gather(voices, count, [](const shaper_voice& v) { return v.tone->c.g; });
  const __m128 tone_k = gather(voices, count, [](const shaper_voice& v) { return v.tone->c.k; });
  const __m128 dc_g = gather(voices, count, [](const shaper_voice& v) { return v.dc->c.g; });
  const __m128 dc_k = gather(voices, count, [](const shaper_voice& v) { return v.dc->c.k; });
  const __m128 d = gather(voices, count, [](const shaper_voice& v) { return v.curve->d; });
  const __m128 d1 = gather(voices, count, [](const shaper_voice& v) { return v.curve->d_plus_1; });
  const __m128 limit = gather(voices, count, [](const shaper_voice& v) { return v.curve->limit; });
  const __m128 k = gather(voices, count, [](const shaper_voice& v) { return v.curve->k; });
  const __m128 c = gather(voices, count, [](const shaper_voice& v) { return v.curve->c; });
  const __m128 bias = gather(voices, count, [](const shaper_voice& v) { return v.bias; });
  __m128 tone_s = gather(voices, count, [](const shaper_voice& v) { return v.tone->s; });
  __m128 dc_z = gather(voices, count, [](const shaper_voice& v) { return v.dc->z; });
  const __m128 in_scale = _mm_set1_ps(shaper_input_scale), out_scale = _mm_set1_ps(shaper_output_scale);
  const __m128 top = _mm_set1_ps(2.1e9f), bottom = _mm_set1_ps(-2.1e9f);
  const __m128i top_i = _mm_set1_epi32(2100000000), bottom_i = _mm_set1_epi32(-2100000000);
  alignas(16) int32_t lane_in[4] = {0, 0, 0, 0};
  alignas(16) int32_t lane_out[4];
  for (int i = 0; i < n; ++i) {
    for (int v = 0; v < count; ++v) lane_in[v] = in[v][i];
    const __m128 x = _mm_mul_ps(_mm_cvtepi32_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(lane_in))), in_scale);
    // Tone lowpass: lp = (g x + s) k, s = (x - lp) g + lp.
    const __m128 lp = _mm_mul_ps(_mm_add_ps(_mm_mul_ps(tone_g, x), tone_s), tone_k);
    tone_s = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(x, lp), tone_g), lp);
    const __m128 h = _mm_sub_ps(x, lp);
    const __m128 y = _mm_add_ps(curve_ps<Mode>(_mm_add_ps(h, bias), d, d1, limit, k, c), lp);
    // Highpass: hp = y k - z k, lp = (g y + z) k, z = (y - lp) g + lp.
    const __m128 hp = _mm_sub_ps(_mm_mul_ps(y, dc_k), _mm_mul_ps(dc_z, dc_k));
    const __m128 lp2 = _mm_mul_ps(_mm_add_ps(_mm_mul_ps(dc_g, y), dc_z), dc_k);
    dc_z = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(y, lp2), dc_g), lp2);
    // To fixed point: NaN and below -2.1e9 to the bottom, above 2.1e9 to the top.
    const __m128 scaled = _mm_mul_ps(hp, out_scale);
    const __m128i truncated = _mm_cvttps_epi32(scaled);
    const __m128i above_bottom = _mm_castps_si128(_mm_cmpgt_ps(scaled, bottom));
    const __m128i above_top = _mm_castps_si128(_mm_cmpgt_ps(scaled, top));
    __m128i r = _mm_or_si128(_mm_and_si128(above_bottom, truncated), _mm_andnot_si128(above_bottom, bottom_i));
    r = _mm_or_si128(_mm_and_si128(above_top, top_i), _mm_andnot_si128(above_top, r));
    _mm_store_si128(reinterpret_cast<__m128i*>(lane_out), r);
    for (int v = 0; v < count; ++v) out[v][i] = lane_out[v];
  }
  scatter(tone_s, voices, count, [](const shaper_voice& v) { return &v.tone->s; });
  scatter(dc_z, voices, count, [](const shaper_voice& v) { return &v.dc->z; });
}

#endif

}  // namespace

void shape_lanes(const shaper_voice* voices, int count, int mode, const int32_t* const* in, int32_t* const* out,
                 int n) {
#if defined(__SSE2__)
  if (count >= 2) {
    switch (mode) {
      case 0: return shape_sse<0>(voices, count, in, out, n);
      case 1: return shape_sse<1>(voices, count, in, out, n);
      default: return shape_sse<2>(voices, count, in, out, n);
    }
  }
#endif
  shape_one_by_one(voices, count, in, out, n);
}

}  // namespace synth
