// Twofold oversampling with polyphase half-band filters made of first-order
// allpass sections (the polyphase IIR structure of Valimaki and Harris; the
// coefficient set is a 6-coefficient elliptic-like half-band design as in
// de Soras' HIIR). Each section, at the low rate, is A(z) = (a + z^-1) / (1 + a z^-1):
//   t = (x - s) * a;  y = s + t;  s = x + t.
//
// Up: both branches take the same input sample; branch A gives the even and
// branch B the odd sample of the doubled rate. Images of the input above
// half the original rate come out more than 85 dB down up to 15 kHz at 44.1 kHz.
//
// Down: branch A takes the odd and branch B the even sample, and the output
// is half their sum. This uses the same six sections as the interpolator; a
// decimator of one section per branch (0.15063477 and -0.39256287) rejects the
// band that folds back by only 2 to 25 dB, which would let the harmonics a
// nonlinearity makes above the original Nyquist return almost unattenuated.
#pragma once

#include "fx/denormal.h"

namespace fx {

struct allpass_section {
  float a = 0.f;
  float s = 0.f;
  float run(float x) {
    const float t = (x - s) * a;
    const float y = s + t;
    s = x + t;
    return y;
  }
};

struct half_band_branches {
  allpass_section a[3] = {{0.0266328f}, {0.22867f}, {0.59637f}};
  allpass_section b[3] = {{0.10458f}, {0.3932f}, {0.84751f}};

  float run_a(float x) { return a[2].run(a[1].run(a[0].run(x))); }
  float run_b(float x) { return b[2].run(b[1].run(b[0].run(x))); }
  void clear() {
    for (auto& q : a) q.s = 0.f;
    for (auto& q : b) q.s = 0.f;
  }
  void flush() {
    for (auto& q : a) fx::flush(q.s);
    for (auto& q : b) fx::flush(q.s);
  }
};

// One channel's interpolator: one input sample to two at the doubled rate.
struct upsampler_2x {
  half_band_branches f;
  void run(float x, float& even, float& odd) {
    even = f.run_a(x);
    odd = f.run_b(x);
  }
  void clear() { f.clear(); }
  void flush() { f.flush(); }
};

// One channel's decimator: two samples at the doubled rate to one.
struct downsampler_2x {
  half_band_branches f;
  float run(float even, float odd) { return 0.5f * (f.run_a(odd) + f.run_b(even)); }
  void clear() { f.clear(); }
  void flush() { f.flush(); }
};

// Both directions for one channel.
struct oversampler_2x {
  upsampler_2x up;
  downsampler_2x down;
  void clear() {
    up.clear();
    down.clear();
  }
  void flush() {
    up.flush();
    down.flush();
  }
};

}  // namespace fx
