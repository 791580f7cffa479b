// Cascades of buffered one-pole RC sections (the trapezoidal one-pole of the
// voice). n equal sections at f_s each fall to -3 dB together at
//   lowpass:  f = f_s * sqrt(2^(1/n) - 1)      highpass: f = f_s / sqrt(2^(1/n) - 1),
// so each section is tuned by that factor to put the -3 dB point of the whole
// cascade at the asked cutoff; the slope is 6 n dB per octave and, with only
// real poles, the knee is as soft as a passive RC ladder's and the step
// response never overshoots (Lancaster, "Active-Filter Cookbook", ch. 5).
#pragma once

#include <cmath>

#include "synth/dsp/one_pole.h"

namespace fx {

constexpr int max_rc_sections = 4;

// The per-section cutoff of an n-section cascade with its -3 dB point at hz,
// kept below 0.45 of the rate.
inline float rc_section_hz(float hz, int sections, bool highpass, float rate) {
  const float k = std::sqrt(std::pow(2.f, 1.f / float(sections)) - 1.f);
  const float f = highpass ? hz * k : hz / k;
  return f < 0.45f * rate ? f : 0.45f * rate;
}

// The coefficient every section of such a cascade shares.
inline synth::one_pole_coefficient rc_coefficient(float hz, int sections, bool highpass, float rate) {
  synth::one_pole_coefficient c;
  c.init(rc_section_hz(hz, sections, highpass, rate), rate);
  return c;
}

struct rc_cascade {
  float s[max_rc_sections] = {};  // integrator states

  void clear() {
    for (float& v : s) v = 0.f;
  }
  // n sections sharing one coefficient.
  float lowpass(float x, int n, const synth::one_pole_coefficient& c) {
    const float g = c.g, k = c.k;
    for (int i = 0; i < n; ++i) {
      const float lp = (g * x + s[i]) * k;
      s[i] = (x - lp) * g + lp;
      x = lp;
    }
    return x;
  }
  float highpass(float x, int n, const synth::one_pole_coefficient& c) {
    const float g = c.g, k = c.k;
    for (int i = 0; i < n; ++i) {
      const float lp = (g * x + s[i]) * k;
      const float hp = (x - s[i]) * k;
      s[i] = (x - lp) * g + lp;
      x = hp;
    }
    return x;
  }
};

}  // namespace fx
