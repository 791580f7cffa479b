#include "synth/master_stage.h"

#include <cmath>

#include "synth/dsp/one_pole.h"

namespace synth {

void master_stage::init(float sample_rate) {
  one_pole_coefficient c;
  c.init(highpass_hz, sample_rate);
  g_ = c.g;
  k_ = c.k;
}

float master_stage::residue() const { return std::fabs(z_[0]) + std::fabs(z_[1]); }

void master_stage::run_highpass(float* x, int frames, float& z_ref) {
  float z = z_ref;
  const float g = g_, k = k_, gain = gain_;
  for (int i = 0; i < frames; ++i) {
    float in = x[i];
    float hp = in * k - z * k;
    float lp = (g * in + z) * k;
    z = (in - lp) * g + lp;
    x[i] = gain == 1.f ? hp : hp * gain;
  }
  z_ref = z;
}

void master_stage::process(float* left, float* right, int frames) {
  if (highpass_) {
    run_highpass(left, frames, z_[0]);
    run_highpass(right, frames, z_[1]);
    return;
  }
  for (int i = 0; i < frames; ++i) {
    left[i] *= gain_;
    right[i] *= gain_;
  }
}

}  // namespace synth
