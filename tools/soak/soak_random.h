// The soak's random numbers: SplitMix64, so that a seed replays the same
// schedule on every machine and standard library (the distributions of
// <random> differ between implementations).
#pragma once

#include <cstdint>

namespace soak {

class random {
 public:
  explicit random(uint64_t seed) : state_(seed) {}

  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. n-1 (0 when n <= 0).
  int32_t below(int32_t n) { return n <= 0 ? 0 : int32_t(next() % uint64_t(n)); }
  // lo .. hi inclusive.
  int32_t between(int32_t lo, int32_t hi) { return lo + below(hi - lo + 1); }
  // [0, 1).
  double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
  bool chance(double p) { return unit() < p; }

 private:
  uint64_t state_;
};

}  // namespace soak
