// The one-pole filters of the voice and the master stage, and the shared
// coefficient they are built from.
//
// Every one-pole in the engine uses the same topology (a trapezoidal
// integrator) and the same cheap stand-in for tan(w):
//   w = pi * f / sample_rate
//   g = ((w^2 * 0.2033 + 0.31755) * w^2 + 1) * w     (odd polynomial ~ tan(w))
//   k = 1 / (1 + g)
// The polynomial is within 0.1 % of tan(w) for f below a tenth of the rate,
// which covers every use (5 Hz, 500 Hz, 1.59 Hz and the 1..4000 Hz tone).
#pragma once

#include <numbers>

namespace synth {

// g of the tangent approximation for a cutoff of hz at sample_rate.
inline float one_pole_g(float hz, float sample_rate) {
  constexpr float pi = std::numbers::pi_v<float>;
  float w = hz * pi / sample_rate;
  float w2 = w * w;
  return ((w2 * 0.2033f + 0.31755f) * w2 + 1.f) * w;
}

struct one_pole_coefficient {
  float g = 0.f;  // tangent approximation of pi * f / sample_rate
  float k = 1.f;  // 1 / (1 + g)

  void init(float hz, float sample_rate) {
    g = one_pole_g(hz, sample_rate);
    k = 1.f / (1.f + g);
  }
};

// Lowpass: lp = (g x + s) k, s = (x - lp) g + lp. Unity gain at DC.
struct one_pole_lowpass {
  one_pole_coefficient c;
  float s = 0.f;  // integrator state

  void init(float hz, float sample_rate) { c.init(hz, sample_rate); }
  void reset() { s = 0.f; }
  float process(float x) {
    float lp = (c.g * x + s) * c.k;
    s = (x - lp) * c.g + lp;
    return lp;
  }
};

// Highpass of the same integrator, the form the master stage runs:
// hp = x k - z k, lp = (g x + z) k, z = (x - lp) g + lp. hp + lp = x.
struct one_pole_highpass {
  one_pole_coefficient c;
  float z = 0.f;  // integrator state

  void init(float hz, float sample_rate) { c.init(hz, sample_rate); }
  void reset() { z = 0.f; }
  float process(float x) {
    float hp = x * c.k - z * c.k;
    float lp = (c.g * x + z) * c.k;
    z = (x - lp) * c.g + lp;
    return hp;
  }
};

}  // namespace synth
