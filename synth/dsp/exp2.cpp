#include "synth/dsp/exp2.h"

#include <array>
#include <cmath>

namespace synth {

namespace {

std::array<float, exp2_table_size> make_exp2_table() {
  std::array<float, exp2_table_size> t{};
  for (int k = 0; k < exp2_table_size; ++k) t[k] = float(std::exp2((k - 1) / 128.0));
  return t;
}

const std::array<float, exp2_table_size> table_storage = make_exp2_table();

}  // namespace

const float* const exp2_table = table_storage.data();

float pitch_ratio(int32_t u) {
  int32_t k = ((u >> 6) + 1) & 127;
  float f = float(u & 63) * (1.f / 64.f);
  float t = exp2_table[k] + (exp2_table[k + 1] - exp2_table[k]) * f;
  return t * pow2_int(int32_t((int64_t(u) + 64) >> 13));
}

}  // namespace synth
