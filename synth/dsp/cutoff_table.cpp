#include "synth/dsp/cutoff_table.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace synth {

double cutoff_table::entry_hz(int i) const {
  double hz = base_hz * std::exp2(double(i) / entries_per_octave);
  return std::clamp(hz, base_hz, std::max(base_hz, sample_rate_ * 0.5));
}

void cutoff_table::init(double sample_rate) {
  sample_rate_ = sample_rate;
  constexpr double q31 = 2147483648.0;
  for (int i = 0; i < size; ++i) {
    // sin(pi f / (2 fs)) * 2^31 = (2 sin(pi f / (2 fs))) in Q30; at most
    // sin(pi / 4) * 2^31, so the truncation always fits.
    double s = std::sin(std::numbers::pi * entry_hz(i) / (2.0 * sample_rate));
    entries_[i] = int32_t(s * q31);
  }
}

}  // namespace synth
