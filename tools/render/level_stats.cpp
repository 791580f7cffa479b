#include "tools/render/level_stats.h"

#include <cmath>
#include <limits>

namespace render {

void level_stats::add(const float* x, int32_t n) {
  double peak = peak_, sum = sum_squares_;
  bool finite = finite_;
  for (int32_t i = 0; i < n; ++i) {
    const double v = x[i];
    if (!std::isfinite(v)) {
      finite = false;
      continue;  // keeps the figures meaningful for the finite part
    }
    peak = std::max(peak, std::fabs(v));
    sum += v * v;
  }
  peak_ = peak;
  sum_squares_ = sum;
  finite_ = finite;
  frames_ += n;
}

double level_stats::rms() const { return frames_ ? std::sqrt(sum_squares_ / double(frames_)) : 0.0; }

double to_dbfs(double amplitude) {
  if (amplitude <= 0.0) return -std::numeric_limits<double>::infinity();
  return 20.0 * std::log10(amplitude);
}

}  // namespace render
