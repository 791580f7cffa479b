#include "tools/analysis/room.h"

#include <algorithm>
#include <cmath>

namespace analysis {

namespace {

// One octave-wide bandpass biquad (RBJ cookbook, constant 0 dB peak),
// run twice for a fourth-order band.
std::vector<double> octave_band(const float* h, size_t n, double rate, double centre) {
  std::vector<double> y(h, h + n);
  if (centre <= 0) return y;
  const double w0 = 2 * M_PI * centre / rate;
  const double q = std::sqrt(2.0);  // one octave
  const double alpha = std::sin(w0) / (2 * q);
  const double a0 = 1 + alpha;
  const double b0 = alpha / a0, b2 = -alpha / a0, a1 = -2 * std::cos(w0) / a0, a2 = (1 - alpha) / a0;
  for (int pass = 0; pass < 2; ++pass) {
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (double& v : y) {
      const double x = v;
      const double out = b0 * x + b2 * x2 - a1 * y1 - a2 * y2;
      x2 = x1;
      x1 = x;
      y2 = y1;
      y1 = out;
      v = out;
    }
  }
  return y;
}

// Least-squares slope (dB per second) of curve[i] over the samples whose
// value lies in [lo, hi] dB, the first crossing of hi to the first of lo.
double slope(const std::vector<double>& db, double rate, double hi, double lo, bool& ok) {
  size_t a = 0;
  while (a < db.size() && db[a] > hi) ++a;
  size_t b = a;
  while (b < db.size() && db[b] > lo) ++b;
  ok = b < db.size() && b > a + 10;
  if (!ok) return 0;
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  const double m = double(b - a);
  for (size_t i = a; i < b; ++i) {
    const double t = double(i) / rate;
    sx += t;
    sy += db[i];
    sxx += t * t;
    sxy += t * db[i];
  }
  return (m * sxy - sx * sy) / (m * sxx - sx * sx);
}

}  // namespace

const std::vector<double>& octave_centres() {
  static const std::vector<double> c = {125, 250, 500, 1000, 2000, 4000, 8000};
  return c;
}

double decay_time(const float* h, size_t n, double rate, double centre_hz) {
  const std::vector<double> y = octave_band(h, n, rate, centre_hz);
  std::vector<double> db(n);
  double e = 0;
  for (size_t i = n; i-- > 0;) {
    e += y[i] * y[i];
    db[i] = e;
  }
  const double total = db[0];
  if (!(total > 0)) return 0;
  for (double& v : db) v = 10 * std::log10(std::max(v / total, 1e-30));
  bool ok;
  double s = slope(db, rate, -5, -25, ok);
  if (!ok) s = slope(db, rate, -5, -15, ok);
  return ok && s < 0 ? -60.0 / s : 0;
}

double echo_density(const float* h, size_t n, double rate, double t) {
  const size_t half = size_t(0.01 * rate);
  const size_t centre = size_t(std::max(t, 0.0) * rate);
  const size_t a = centre > half ? centre - half : 0;
  const size_t b = std::min(n, centre + half);
  if (b <= a + 1) return 0;
  double mean = 0, var = 0;
  for (size_t i = a; i < b; ++i) mean += h[i];
  mean /= double(b - a);
  for (size_t i = a; i < b; ++i) var += (h[i] - mean) * (h[i] - mean);
  const double sigma = std::sqrt(var / double(b - a));
  if (!(sigma > 0)) return 0;
  size_t outside = 0;
  for (size_t i = a; i < b; ++i) outside += std::fabs(h[i] - mean) > sigma ? 1 : 0;
  return double(outside) / double(b - a) / std::erfc(1 / std::sqrt(2.0));
}

double echo_density_time(const float* h, size_t n, double rate, double level, double from) {
  const double step = 0.001;
  for (double t = from; t < double(n) / rate; t += step)
    if (echo_density(h, n, rate, t) >= level) return t;
  return -1;
}

}  // namespace analysis
