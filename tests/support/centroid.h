// The spectral centroid of a stretch of audio: the magnitude-weighted mean
// frequency of its Hann-windowed DFT, from a plain DFT so that it needs no
// FFT library (the Windows tests have none). For n of a few thousand.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

namespace test_support {

inline double spectral_centroid_hz(const float* x, size_t n, double rate) {
  const double pi = 3.14159265358979323846;
  std::vector<double> w(n);
  for (size_t i = 0; i < n; ++i) w[i] = x[i] * (0.5 - 0.5 * std::cos(2.0 * pi * double(i) / double(n)));
  double weighted = 0.0, total = 0.0;
  for (size_t k = 1; k < n / 2; ++k) {
    // One bin: the phasor turns by 2 pi k / n a sample, by recurrence.
    const double step_c = std::cos(2.0 * pi * double(k) / double(n)), step_s = std::sin(2.0 * pi * double(k) / double(n));
    double c = 1.0, s = 0.0, re = 0.0, im = 0.0;
    for (size_t i = 0; i < n; ++i) {
      re += w[i] * c;
      im -= w[i] * s;
      const double nc = c * step_c - s * step_s;
      s = s * step_c + c * step_s;
      c = nc;
    }
    const double m = std::sqrt(re * re + im * im);
    weighted += m * double(k) * rate / double(n);
    total += m;
  }
  return total > 0.0 ? weighted / total : 0.0;
}

}  // namespace test_support
