// One channel of a memoryless nonlinearity at twice the rate: up, the law
// with antiderivative anti-aliasing on both samples, down. `peek` sees each
// sample at the doubled rate before the law (the Clipper counts its clips).
#pragma once

#include "fx/antiderivative.h"
#include "fx/half_band.h"

namespace fx {

template <typename Law>
struct oversampled_law {
  oversampler_2x os;
  antiderivative_filter<Law> corner;

  template <typename Peek>
  float run(const Law& law, float x, Peek&& peek) {
    float even, odd;
    os.up.run(x, even, odd);
    peek(even);
    peek(odd);
    even = corner.run(law, even);
    odd = corner.run(law, odd);
    return os.down.run(even, odd);
  }
  void clear() {
    os.clear();
    corner.clear();
  }
};

}  // namespace fx
