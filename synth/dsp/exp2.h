// Table-driven powers of two for all pitch arithmetic.
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

// 2^(u / 8192) for a signed pitch u in 1/8192 octave (1/128 octave per table
// step, 64 interpolation steps between entries).
float pitch_ratio(int32_t u);

}  // namespace synth
