#include "sequencer/peak_guard.h"

#include <algorithm>
#include <cmath>

namespace sequencer {

void peak_guard::init(float sample_rate) {
  recovery = 1.f - std::exp(-1.f / (release_s * std::max(sample_rate, 1.f)));
  reset();
}

void peak_guard::process(const float* left_in, const float* right_in, float* left, float* right, int frames) {
  for (int i = 0; i < frames; ++i) {
    const float peak = std::max(std::fabs(left_in[i]), std::fabs(right_in[i]));
    const float allowed = peak > ceiling ? ceiling / peak : 1.f;
    if (gain < 1.f) gain = std::min(gain + (1.f - gain) * recovery, 1.f);
    if (gain > 1.f - 1e-6f && allowed == 1.f) gain = 1.f;  // settled: exactly unity again
    gain = std::min(gain, allowed);
    left[i] += left_in[i] * gain;
    right[i] += right_in[i] * gain;
  }
}

}  // namespace sequencer
