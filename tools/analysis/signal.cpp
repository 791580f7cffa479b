#include "tools/analysis/signal.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace analysis {

double rms(const float* x, size_t n) {
  if (n == 0) return 0;
  double s = 0;
  for (size_t i = 0; i < n; ++i) s += double(x[i]) * x[i];
  return std::sqrt(s / double(n));
}

double peak(const float* x, size_t n) {
  double p = 0;
  for (size_t i = 0; i < n; ++i) p = std::max(p, double(std::fabs(x[i])));
  return p;
}

double mean(const float* x, size_t n) {
  if (n == 0) return 0;
  double s = 0;
  for (size_t i = 0; i < n; ++i) s += x[i];
  return s / double(n);
}

double max_step(const float* x, size_t n) {
  double m = 0;
  for (size_t i = 1; i < n; ++i) m = std::max(m, double(std::fabs(x[i] - x[i - 1])));
  return m;
}

bool all_finite(const float* x, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (!std::isfinite(x[i])) return false;
  return true;
}

double tone_amplitude(const float* x, size_t n, double rate, double hz) {
  if (n == 0 || hz <= 0) return 0;
  // Use a whole number of cycles so the DC and neighbours leak little.
  double cycles = std::floor(double(n) * hz / rate);
  size_t len = cycles >= 1 ? size_t(cycles * rate / hz) : n;
  len = std::min(len, n);
  double re = 0, im = 0, wsum = 0;
  const double w0 = 2 * M_PI * hz / rate;
  for (size_t i = 0; i < len; ++i) {
    double w = 0.5 - 0.5 * std::cos(2 * M_PI * (double(i) + 0.5) / double(len));
    re += w * x[i] * std::cos(w0 * double(i));
    im += w * x[i] * std::sin(w0 * double(i));
    wsum += w;
  }
  return 2.0 * std::sqrt(re * re + im * im) / wsum;
}

double amplitude_db(double amplitude) {
  return amplitude > 1e-15 ? 20.0 * std::log10(amplitude) : -300.0;
}

size_t first_above(const float* x, size_t n, double threshold) {
  for (size_t i = 0; i < n; ++i)
    if (std::fabs(x[i]) > threshold) return i;
  return n;
}

double residual_db(const float* a, const float* b, size_t n) {
  std::vector<float> diff(n);
  for (size_t i = 0; i < n; ++i) diff[i] = a[i] - b[i];
  const double residual = rms(diff.data(), n);
  return residual > 0 ? amplitude_db(residual / rms(a, n)) : -300.0;
}

}  // namespace analysis
