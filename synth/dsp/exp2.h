// Table-driven powers of two for all pitch arithmetic, and the logarithm
// that takes a frequency back to a pitch.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace synth {

// exp2_table[k] = 2^((k - 1) / 128), k = 0..128: one octave in 128 steps with
// one guard entry below (so an index of i & 127 and i & 127 + 1 interpolate).
constexpr int exp2_table_size = 129;
extern const float* const exp2_table;

// 2^e for a whole e, made by writing e + 127 into a float's exponent field.
// e is limited to the normal range [-126, 127].
inline float pow2_int(int32_t e) {
  if (e < -126) e = -126;
  if (e > 127) e = 127;
  uint32_t bits = uint32_t(e + 127) << 23;
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

// 2^x for x in octaves: linear interpolation in the table, then the whole
// octaves from the exponent (arithmetic shift: exact for negative x too).
// Inline: callers make several independent ones in a row (the ratios of a
// multi-ramp), which then overlap instead of each waiting on a call.
inline float exp2_fast(float x) {
  const float y = 128.f * x + 1.f;
  const float fl = std::floor(y);
  const int32_t i = int32_t(fl);
  const float f = y - fl;
  const int32_t k = i & 127;
  const float* t = exp2_table;
  const float within = t[k] + (t[k + 1] - t[k]) * f;
  return within * pow2_int(i >> 7);
}

// log2 x for a positive, normal x: the exponent field, then the mantissa m
// taken into [sqrt(1/2), sqrt(2)) and log2 m = (2 / ln 2) atanh s, s = (m - 1)
// / (m + 1), |s| <= 0.1716, by the odd series to s^7. The first term left
// out, (2 / ln 2) s^9 / 9, is below 4.2e-8 octave; with the float rounding the
// result is within 1.5e-7 octave (2e-5 cent) of log2 x, or within 1.5e-7 of
// its size past 1 octave (the float's own step there is coarser). A call of the
// library's log2 costs as much as the whole control tick of a voice whose
// oscillator B follows A's pitch part of the way (keytracked_hz), at every
// tick its pitch moves.
inline float log2_fast(float x) {
  constexpr float sqrt2 = 1.41421356f;
  // 2 / ln 2 / (2 k + 1), k = 0..3: the atanh series' coefficients in octaves.
  constexpr float c1 = 2.88539008f, c3 = 0.961796694f, c5 = 0.577078016f, c7 = 0.412198583f;
  uint32_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  int32_t e = int32_t(bits >> 23) - 127;
  bits = (bits & 0x007fffffu) | 0x3f800000u;
  float m;
  std::memcpy(&m, &bits, sizeof m);
  if (m > sqrt2) {
    m *= 0.5f;
    ++e;
  }
  const float s = (m - 1.f) / (m + 1.f);
  const float s2 = s * s;
  return float(e) + s * (c1 + s2 * (c3 + s2 * (c5 + s2 * c7)));
}

// 2^(u / 8192) for a signed pitch u in 1/8192 octave (1/128 octave per table
// step, 64 interpolation steps between entries).
float pitch_ratio(int32_t u);

}  // namespace synth
