// The fixed-point Chamberlin step shared by the main filter and the shaper
// filter, with the formats every shift relies on:
//   signal    2^22 per unit (x, low, band)
//   f         Q30 cutoff coefficient, 2 sin(pi fc / (2 fs)), at most ~1.414
//   q         Q29 damping (1 / Q), 0 .. 4
//   gain      Q23 saturation gain, ~0.5 .. ~19
// Products are 64 bit and shifted arithmetically (floor). Sums are formed in
// 64 bit and narrowed to 32 bits for storage. With the input held to
// input_limit the states stay below 64 units (2^28) at every setting (the
// filter tests sweep this), far from the 512 units where 32 bits run out.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace synth {

// x limited to [lo, hi], a NaN to lo: what fmin(fmax(x, lo), hi) gives, as
// two compares the compiler keeps inline (fminf and fmaxf are library calls
// without SSE4.1, as they must order NaN).
inline float limit_or_low(float x, float lo, float hi) { return x > lo ? (x < hi ? x : hi) : lo; }

// Float mixer value to the filter input format, limited to +-16 units
// (a NaN becomes -16 rather than undefined behaviour).
inline int32_t filter_input(float m) { return int32_t(limit_or_low(m, -16.f, 16.f) * 4194304.f); }

// Resonance of a "Resonance" parameter v: 0 for v <= 0, 1 for v >= 1, else
// 0.93333328 / (1 / (10 v) + 0.83333331): about 0.086 at 0.01, 0.51 at 0.1,
// 0.90 at 0.5, reaching 1 at v = 1.
inline float resonance_curve(float v) {
  if (!(v > 0.f)) return 0.f;
  if (v >= 1.f) return 1.f;
  return 0.93333328f / (1.f / (10.f * v) + 0.83333331f);
}

namespace svf {

constexpr int32_t clamp24 = 0xFFFFFF;    // +-4 units: the classic band / low clamp
constexpr int32_t clamp25 = 0x1FFFFFF;   // +-8 units
constexpr int32_t no_limit = 0;          // state left unclamped (bounded by the input)

// Signal range at the filter inputs: +-16 units, the most a mixer at full
// levels produces (four sources at +12 dB).
constexpr int32_t input_limit = 0x4000000;
// Outputs stay within +-0x1FFFFFFF so that the voice's "* 4" fits in 32 bits.
constexpr int32_t output_limit = 0x1FFFFFFF;

constexpr int32_t damping_unity_q29 = 1 << 29;
constexpr int32_t cascade_damping_max = 0x27FFFFFF;  // 1.25 in Q29

template <int32_t limit>
inline int32_t limit_to(int64_t v) {
  if constexpr (limit == no_limit) {
    return int32_t(v);
  } else {
    return int32_t(std::clamp<int64_t>(v, -limit, limit));
  }
}

inline int32_t limit_input(int32_t x) { return std::clamp(x, -input_limit, input_limit); }
inline int32_t limit_output(int64_t y) {
  return int32_t(std::clamp<int64_t>(y, -output_limit, output_limit));
}

// Largest damping that keeps a run stable at coefficient f (both Q30 in,
// Q29 out): 0x7FFFFFFF - f (2 - f / 2), i.e. (2 - f)^2 in real terms.
inline int32_t damping_limit(int32_t f) {
  int64_t used = (int64_t(f) * (0x7FFFFFFF - (f >> 1))) >> 30;
  return int32_t(0x7FFFFFFF - used);
}

// Damping from a resonance in [0, 1]: (1 - r) * 2^30 in Q29, i.e. 2 (1 - r).
inline int32_t damping_from_resonance(float resonance) {
  float r = std::clamp(resonance, 0.f, 1.f);
  return int32_t((1.f - r) * 1073741824.f);
}

// Saturation coefficients. a (Q31) shrinks to 0 as f approaches 1.0 so the
// expanded integrator gain cannot push a high cutoff past stability.
struct saturation {
  int32_t a = 0;
  int32_t bias = 0x7FFFFF;  // 0x7FFFFF - (a >> 9): the gain at band = 0

  void set(int32_t s, int32_t f) {
    int64_t headroom = 0x7FFFFFFF - 2 * int64_t(std::min(f, 0x3FFFFFFF));
    a = int32_t((int64_t(std::max(s, 0)) * headroom) >> 31);
    bias = 0x7FFFFF - (a >> 9);
  }
  // Q23 integrator gain for the current band value: grows with |band|,
  // faster on the positive side (the asymmetry gives even harmonics).
  int64_t gain(int32_t band) const {
    int64_t t = band > 0 ? band + ((int64_t(a) * band) >> 28) : -int64_t(band);
    return ((int64_t(a) * t) >> 32) + bias;
  }
};

enum class drive {
  linear,  // low += f * band
  own,     // low += f * (gain(band) * band), gain from this stage's band
  shared,  // low += f * (gain * band), gain handed over from the first stage
};

// One Chamberlin run: h = x - q B - L, B += f h, L += f B (or f * gain * B).
// Returns the damping term q B it started from (the notch output uses it).
template <int32_t band_limit, int32_t low_limit, drive kind>
inline int64_t run(int32_t& low, int32_t& band, int64_t x, int32_t f, int32_t q,
                   const saturation& sat, int64_t& gain) {
  int64_t damping = (int64_t(q) * band) >> 29;
  int64_t h = x - damping - low;
  band = limit_to<band_limit>(band + ((int64_t(f) * h) >> 30));
  int64_t b = band;
  if constexpr (kind == drive::own) gain = sat.gain(band);
  if constexpr (kind != drive::linear) b = (gain * band) >> 23;
  low = limit_to<low_limit>(low + ((int64_t(f) * b) >> 30));
  return damping;
}

}  // namespace svf
}  // namespace synth
