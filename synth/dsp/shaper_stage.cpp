#include "synth/dsp/shaper_stage.h"

#include <algorithm>

#include "synth/dsp/sse2_ops.h"
#include "synth/dsp/svf_lanes.h"

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
[[gnu::always_inline]] inline __m128 curve_ps(__m128 y, __m128 d, __m128 d1, __m128 limit, __m128 k, __m128 c) {
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

// Four voices' constants and filter states, one lane each.
struct lane_set {
  __m128 tone_g, tone_k, dc_g, dc_k, d, d1, limit, k, c, bias;
  __m128 tone_s, dc_z;
  const shaper_voice* voices;
  int count;  // 1..4
};

lane_set gather_set(const shaper_voice* voices, int count) {
  lane_set s;
  s.voices = voices;
  s.count = count;
  s.tone_g = gather(voices, count, [](const shaper_voice& v) { return v.tone->c.g; });
  s.tone_k = gather(voices, count, [](const shaper_voice& v) { return v.tone->c.k; });
  s.dc_g = gather(voices, count, [](const shaper_voice& v) { return v.dc->c.g; });
  s.dc_k = gather(voices, count, [](const shaper_voice& v) { return v.dc->c.k; });
  s.d = gather(voices, count, [](const shaper_voice& v) { return v.curve->d; });
  s.d1 = gather(voices, count, [](const shaper_voice& v) { return v.curve->d_plus_1; });
  s.limit = gather(voices, count, [](const shaper_voice& v) { return v.curve->limit; });
  s.k = gather(voices, count, [](const shaper_voice& v) { return v.curve->k; });
  s.c = gather(voices, count, [](const shaper_voice& v) { return v.curve->c; });
  s.bias = gather(voices, count, [](const shaper_voice& v) { return v.bias; });
  s.tone_s = gather(voices, count, [](const shaper_voice& v) { return v.tone->s; });
  s.dc_z = gather(voices, count, [](const shaper_voice& v) { return v.dc->z; });
  return s;
}

void scatter_set(const lane_set& s) {
  scatter(s.tone_s, s.voices, s.count, [](const shaper_voice& v) { return &v.tone->s; });
  scatter(s.dc_z, s.voices, s.count, [](const shaper_voice& v) { return &v.dc->z; });
}

// One sample of four voices: shape_sample's steps lane by lane. Always
// inline: called out of line, the filters' states would pass through memory
// at every sample.
template <int Mode>
[[gnu::always_inline]] inline __m128i shape4(lane_set& s, __m128i in) {
  const __m128 x = _mm_mul_ps(_mm_cvtepi32_ps(in), _mm_set1_ps(shaper_input_scale));
  // Tone lowpass: lp = (g x + s) k, s = (x - lp) g + lp.
  const __m128 lp = _mm_mul_ps(_mm_add_ps(_mm_mul_ps(s.tone_g, x), s.tone_s), s.tone_k);
  s.tone_s = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(x, lp), s.tone_g), lp);
  const __m128 h = _mm_sub_ps(x, lp);
  const __m128 y = _mm_add_ps(curve_ps<Mode>(_mm_add_ps(h, s.bias), s.d, s.d1, s.limit, s.k, s.c), lp);
  // Highpass: hp = y k - z k, lp = (g y + z) k, z = (y - lp) g + lp.
  const __m128 hp = _mm_sub_ps(_mm_mul_ps(y, s.dc_k), _mm_mul_ps(s.dc_z, s.dc_k));
  const __m128 lp2 = _mm_mul_ps(_mm_add_ps(_mm_mul_ps(s.dc_g, y), s.dc_z), s.dc_k);
  s.dc_z = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(y, lp2), s.dc_g), lp2);
  // To fixed point: NaN and below -2.1e9 to the bottom, above 2.1e9 to the top.
  const __m128 scaled = _mm_mul_ps(hp, _mm_set1_ps(shaper_output_scale));
  const __m128i truncated = _mm_cvttps_epi32(scaled);
  const __m128i above_bottom = _mm_castps_si128(_mm_cmpgt_ps(scaled, _mm_set1_ps(-2.1e9f)));
  const __m128i above_top = _mm_castps_si128(_mm_cmpgt_ps(scaled, _mm_set1_ps(2.1e9f)));
  const __m128i r = sse2::select_epi32(above_bottom, truncated, _mm_set1_epi32(-2100000000));
  return sse2::select_epi32(above_top, _mm_set1_epi32(2100000000), r);
}

// Rows (four samples of one voice) to columns (one sample of four voices)
// and back: the same shuffle both ways.
inline void transpose(__m128i& r0, __m128i& r1, __m128i& r2, __m128i& r3) {
  const __m128i t0 = _mm_unpacklo_epi32(r0, r1), t1 = _mm_unpacklo_epi32(r2, r3);
  const __m128i t2 = _mm_unpackhi_epi32(r0, r1), t3 = _mm_unpackhi_epi32(r2, r3);
  r0 = _mm_unpacklo_epi64(t0, t1);
  r1 = _mm_unpackhi_epi64(t0, t1);
  r2 = _mm_unpacklo_epi64(t2, t3);
  r3 = _mm_unpackhi_epi64(t2, t3);
}

inline __m128i load4(const int32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Sets of four voices (one, or two side by side: each set's filters are a
// chain of dependent steps, and two chains overlap in the core). Four
// samples at a time go in and out as whole rows of each voice, turned into
// one register per sample: a register built from single stores would wait
// for them (the store buffer cannot forward several stores to one load).
// The lanes past a set's voices read its first voice's input and are never
// stored.
template <int Mode, int Sets>
void shape_sse(const shaper_voice* voices, int count, const int32_t* const* in, int32_t* const* out, int n) {
  lane_set sets[Sets];
  const int32_t* from[Sets][4];
  int32_t* to[Sets][4];
  for (int s = 0; s < Sets; ++s) {
    sets[s] = gather_set(voices + 4 * s, std::min(count - 4 * s, 4));
    for (int v = 0; v < 4; ++v) {
      const bool real = v < sets[s].count;
      from[s][v] = in[4 * s + (real ? v : 0)];
      to[s][v] = real ? out[4 * s + v] : nullptr;
    }
  }
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    // Unrolled, so that the sets' states stay in registers.
#pragma GCC unroll 2
    for (int s = 0; s < Sets; ++s) {
      __m128i x0 = load4(from[s][0] + i), x1 = load4(from[s][1] + i), x2 = load4(from[s][2] + i),
              x3 = load4(from[s][3] + i);
      transpose(x0, x1, x2, x3);
      x0 = shape4<Mode>(sets[s], x0);
      x1 = shape4<Mode>(sets[s], x1);
      x2 = shape4<Mode>(sets[s], x2);
      x3 = shape4<Mode>(sets[s], x3);
      transpose(x0, x1, x2, x3);
      const __m128i rows[4] = {x0, x1, x2, x3};
      for (int v = 0; v < sets[s].count; ++v) _mm_storeu_si128(reinterpret_cast<__m128i*>(to[s][v] + i), rows[v]);
    }
  }
  for (; i < n; ++i) {
    for (int s = 0; s < Sets; ++s) {
      const __m128i x = _mm_setr_epi32(from[s][0][i], from[s][1][i], from[s][2][i], from[s][3][i]);
      alignas(16) int32_t lane_out[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(lane_out), shape4<Mode>(sets[s], x));
      for (int v = 0; v < sets[s].count; ++v) to[s][v][i] = lane_out[v];
    }
  }
  for (int s = 0; s < Sets; ++s) scatter_set(sets[s]);
}

template <int Mode>
void shape_sse(const shaper_voice* voices, int count, const int32_t* const* in, int32_t* const* out, int n) {
  if (count > 4) {
    shape_sse<Mode, 2>(voices, count, in, out, n);
  } else {
    shape_sse<Mode, 1>(voices, count, in, out, n);
  }
}

#endif

}  // namespace

void shape_lanes(const shaper_voice* voices, int count, int mode, const int32_t* const* in, int32_t* const* out,
                 int n) {
#if defined(VORN_AVX2_KERNEL)
  if (count > 4 && svf_lanes::active_kernel() == svf_lanes::kernel::avx2)
    return detail::shape_lanes_avx2(voices, count, mode, in, out, n);
#endif
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
