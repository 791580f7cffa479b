// The synth's one noise source: a 32-bit linear congruential generator,
// advanced once per active voice per sample so that no two voices read the
// same value in a sample.
#pragma once

#include <cstdint>

namespace synth {

struct noise_generator {
  static constexpr uint32_t seed = 0xB160BEEFu;
  static constexpr uint32_t multiplier = 0x343FDu;
  static constexpr uint32_t increment = 0x269EC3u;

  uint32_t state = seed;
  int16_t out16 = 0;      // state >> 16 as signed 16 bit
  float out_float = 0.f;  // out16 / 32768, in [-1, 1)

  void reset() {
    state = seed;
    out16 = 0;
    out_float = 0.f;
  }
  void next() {
    state = state * multiplier + increment;  // wraps mod 2^32
    out16 = int16_t(state >> 16);
    out_float = float(out16) * (1.f / 32768.f);
  }
  // The state and outputs after `steps` calls of next(), in log2(steps)
  // rounds: the step x -> m x + c composed with itself by squaring (Brown,
  // "Random number generation with arbitrary strides", 1994).
  void advance(uint32_t steps) {
    if (steps == 0) return;
    uint32_t acc_mult = 1, acc_plus = 0, mult = multiplier, plus = increment;
    for (; steps > 0; steps >>= 1) {
      if (steps & 1u) {
        acc_mult *= mult;
        acc_plus = acc_plus * mult + plus;
      }
      plus = (mult + 1) * plus;
      mult *= mult;
    }
    state = acc_mult * state + acc_plus;
    out16 = int16_t(state >> 16);
    out_float = float(out16) * (1.f / 32768.f);
  }
};

}  // namespace synth
