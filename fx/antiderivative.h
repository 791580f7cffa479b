// First-order antiderivative anti-aliasing for memoryless nonlinearities
// (Parker, Zavalishin and Le Bivic, "Reducing the Aliasing of Nonlinear
// Waveshaping Using Continuous-Time Convolution", DAFx-16; Bilbao, Esqueda,
// Parker and Valimaki, "Antiderivative Antialiasing for Memoryless
// Nonlinearities", IEEE SPL 2017): instead of f(x[n]), the mean of f over the
// straight line from x[n-1] to x[n],
//   y = (F(x[n]) - F(x[n-1])) / (x[n] - x[n-1]),  F' = f,
// or f at the midpoint when the two are (nearly) equal. The corners of hard
// nonlinearities then make far weaker harmonics above the Nyquist frequency;
// at twice the rate this keeps a 5 kHz sine hard-clipped 12 dB deep about
// 16 dB cleaner than the plain corner. Its price is the half-sample average
// it applies to the whole signal: -0.5 dB at 10 kHz and -2.4 dB at 20 kHz at
// twice 44.1 kHz. Double precision, because F differences cancel.
#pragma once

#include <cmath>

namespace fx {

// Shape: double value(double x) const; double antiderivative(double x) const.
template <typename Shape>
struct antiderivative_filter {
  double x1 = 0.0;

  float run(const Shape& s, float x) {
    const double xd = x, d = xd - x1;
    const double y = std::fabs(d) < 1e-7 ? s.value(0.5 * (xd + x1))
                                         : (s.antiderivative(xd) - s.antiderivative(x1)) / d;
    x1 = xd;
    return float(y);
  }
  void clear() { x1 = 0.0; }
};

}  // namespace fx
