// Band-limit residual tables: what a naive discontinuity must have added so
// that it sounds like a band-limited one. `minblep` corrects a step in value,
// `minblamp` a step in slope. Both are made at build time by
// synth/dsp/gen/gen_blep.cpp; this header only describes them.
#pragma once

#include <cstdint>

namespace synth {

constexpr int32_t blep_phases = 16;                     // sub-sample resolution
constexpr int32_t blep_taps = 16;                       // output samples a residual lasts
constexpr int32_t blep_total = blep_phases * blep_taps;  // 256 entries
constexpr int32_t blep_guard = 8;                       // read past the end by interpolation
constexpr int32_t blep_size = blep_total + blep_guard;

// Entry k * phases + j is the residual k + j / phases samples after the
// discontinuity (minblamp: one sample earlier, its tap 0 acts on the sample
// before the slope change).
struct band_limit_table {
  const char* name;
  const float* data;  // total + blep_guard entries
  float integral;     // area under the residual, in samples
  int32_t phases;
  int32_t taps;
  int32_t total;
};

// Area under a residual table in samples: each tap row is swept by 4096 evenly
// spaced points, interpolated linearly exactly as insert_correction reads the
// table, and the row means are summed. Runs at compile time on the generated
// data, and in the generator itself.
constexpr float table_integral(const float* data, int32_t phases, int32_t taps) {
  constexpr int32_t points = 4096;
  constexpr float point_step = 1.f / float(points);  // one row in phase units [0, 1)
  float sum = 0.f;
  for (int32_t row = 0; row < taps; ++row) {
    const float* r = data + row * phases;
    float p = 0.f;
    for (int32_t n = 0; n < points; ++n) {
      float x = p * float(phases);
      int32_t i = int32_t(x);  // x >= 0: truncation is floor
      if (i > phases - 1) i = phases - 1;
      float f = x - float(i);
      sum += (r[i] + (r[i + 1] - r[i]) * f) * point_step;
      p += point_step;
    }
  }
  return sum;
}

extern const band_limit_table minblep;
extern const band_limit_table minblamp;

}  // namespace synth
