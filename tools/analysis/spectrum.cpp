#include "tools/analysis/spectrum.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <complex>

namespace analysis {

namespace {

// |X[k]|^2 of the windowed signal, k = 0..n/2.
std::vector<double> windowed_power(const float* x, size_t n, double* window_sum) {
  const std::vector<double> w = blackman_harris(n);
  double* in = fftw_alloc_real(n);
  fftw_complex* out = fftw_alloc_complex(n / 2 + 1);
  fftw_plan plan = fftw_plan_dft_r2c_1d(int(n), in, out, FFTW_ESTIMATE);
  double sum = 0;
  for (size_t i = 0; i < n; ++i) {
    in[i] = double(x[i]) * w[i];
    sum += w[i];
  }
  fftw_execute(plan);
  std::vector<double> power(n / 2 + 1);
  for (size_t k = 0; k < power.size(); ++k) power[k] = out[k][0] * out[k][0] + out[k][1] * out[k][1];
  fftw_destroy_plan(plan);
  fftw_free(out);
  fftw_free(in);
  if (window_sum) *window_sum = sum;
  return power;
}

// Complex amplitude of hz over x[begin, begin + w.size()), weighted by w (a
// window of that length), with the time origin at the start of the signal.
std::complex<double> demodulate(const float* x, size_t begin, const std::vector<double>& w, double rate,
                                double hz) {
  const size_t len = w.size();
  const double dphi = -2 * M_PI * hz / rate;
  std::complex<double> acc = 0;
  // Rotate in blocks, re-seeding the phasor exactly to keep rounding small.
  constexpr size_t block = 256;
  for (size_t b = 0; b < len; b += block) {
    std::complex<double> rot = std::polar(1.0, dphi * double(begin + b));
    const std::complex<double> step = std::polar(1.0, dphi);
    for (size_t i = b; i < std::min(len, b + block); ++i) {
      acc += w[i] * double(x[begin + i]) * rot;
      rot *= step;
    }
  }
  return acc;
}

}  // namespace

std::vector<double> blackman_harris(size_t n) {
  std::vector<double> w(n);
  const double a0 = 0.35875, a1 = 0.48829, a2 = 0.14128, a3 = 0.01168;
  for (size_t i = 0; i < n; ++i) {
    const double t = 2 * M_PI * double(i) / double(n);  // periodic form
    w[i] = a0 - a1 * std::cos(t) + a2 * std::cos(2 * t) - a3 * std::cos(3 * t);
  }
  return w;
}

std::vector<double> magnitude_spectrum(const float* x, size_t n) {
  if (n < 2) return {};
  double sum = 0;
  std::vector<double> p = windowed_power(x, n, &sum);
  for (double& v : p) v = 2.0 * std::sqrt(v) / sum;
  return p;
}

double fundamental_hz(const float* x, size_t n, double rate, double approx_hz) {
  if (n < 64 || approx_hz <= 0 || rate <= 0) return 0;
  const std::vector<double> mag = magnitude_spectrum(x, n);
  const double bin_hz = rate / double(n);
  size_t lo = size_t(std::max(1.0, std::floor(approx_hz * 0.94 / bin_hz)));
  size_t hi = std::min(mag.size() - 2, size_t(std::ceil(approx_hz * 1.06 / bin_hz)));
  if (lo >= hi) return 0;
  size_t k = lo;
  for (size_t i = lo; i <= hi; ++i)
    if (mag[i] > mag[k]) k = i;
  if (mag[k] <= 0) return 0;
  // Parabola through the log magnitudes of the peak and its neighbours.
  const double a = std::log(mag[k - 1] + 1e-300), b = std::log(mag[k] + 1e-300), c = std::log(mag[k + 1] + 1e-300);
  const double denom = a - 2 * b + c;
  double hz = (double(k) + (denom != 0 ? 0.5 * (a - c) / denom : 0)) * bin_hz;

  // Phase drift between the halves: each pass removes most of the remaining
  // error (the parabola is good to a few hundredths of a bin, well inside the
  // +-1 / (2 * half duration) unambiguous range).
  const size_t half = n / 2;
  const double dt = double(half) / rate;  // seconds between the halves' centres
  const std::vector<double> w = blackman_harris(half);
  for (int pass = 0; pass < 3; ++pass) {
    const std::complex<double> first = demodulate(x, 0, w, rate, hz);
    const std::complex<double> second = demodulate(x, half, w, rate, hz);
    if (std::abs(first) == 0 || std::abs(second) == 0) break;
    const double drift = std::arg(second * std::conj(first));  // radians over dt
    hz += drift / (2 * M_PI * dt);
  }
  return hz;
}

double alias_to_signal_db(const float* x, size_t n, double rate, double f0) {
  return alias_to_signal_db(x, n, rate, std::vector<double>{f0});
}

double alias_to_signal_db(const float* x, size_t n, double rate, const std::vector<double>& fundamentals) {
  if (n < 64 || fundamentals.empty()) return 0;
  for (double f0 : fundamentals)
    if (!(f0 > 0)) return 0;
  const std::vector<double> p = windowed_power(x, n, nullptr);
  const double bin_hz = rate / double(n);
  const double lobe = blackman_harris_half_width + 1;  // bins either side of a harmonic
  std::vector<char> harmonic(p.size(), 0);
  for (double f0 : fundamentals) {
    for (double f = f0; f < rate / 2; f += f0) {
      const double centre = f / bin_hz;
      size_t a = size_t(std::max(0.0, std::floor(centre - lobe)));
      size_t b = std::min(p.size() - 1, size_t(std::ceil(centre + lobe)));
      for (size_t k = a; k <= b; ++k) harmonic[k] = 1;
    }
  }
  double on = 0, off = 0;
  for (size_t k = size_t(lobe) + 1; k < p.size(); ++k) (harmonic[k] ? on : off) += p[k];
  if (on <= 0) return 0;
  return 10.0 * std::log10(std::max(off, 1e-300) / on);
}

double cents(double hz, double reference_hz) { return 1200.0 * std::log2(hz / reference_hz); }

}  // namespace analysis
