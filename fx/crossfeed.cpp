// "Crossfeed": for headphones, each ear also hears the other channel's low
// frequencies, as it would from loudspeakers, where the head shadows only the
// highs (Bauer, "Stereophonic Earphones and Binaural Loudspeakers", JAES
// 1961; the network popularised by Meier's and Mikhaylov's bs2b crossfeeds).
//   out_l = l + G (lp(r) - lp(l)),  out_r = r + G (lp(l) - lp(r))
// The lowpass is a cascade of "Slope" + 1 RC sections (6 to 24 dB per octave)
// with its -3 dB point at 300 * 64^v Hz (300 Hz to 19.2 kHz, "Frequency" v).
// G = 0.35 leaves about 5 dB of level difference between the ears at low
// frequencies for a hard-panned source, the amount natural listening gives.
// The lowpass's group delay (about 0.3 ms at 500 Hz) stands in for the
// interaural delay. A centred (mono) source passes unchanged at every
// frequency, so the tonal balance of a mix is kept.
#include <cmath>

#include "fx/factories.h"
#include "fx/smoothed_effect.h"
#include "fx/rc_cascade.h"

namespace fx {

namespace {

enum { enable, frequency, slope, count };

constexpr param_desc params[count] = {
    {"Enable", 0.f, 1.f, 1, 1.f},
    {"Frequency", 0.f, 1.f, 0, 0.1f},
    {"Slope", 0.f, 3.f, 1, 3.f},
};

constexpr float crossfeed_gain = 0.35f;

float crossfeed_hz(float v) { return 300.f * std::pow(64.f, v); }

class crossfeed final : public smoothed_effect {
 public:
  crossfeed() : smoothed_effect("Crossfeed", params, count) {}

  void sample_rate_changed() override {
    smoothed_effect::sample_rate_changed();
    coefficients();
  }
  void clear() override {
    for (auto& c : lp_) c.clear();
  }
  void recover() override {
    for (auto& c : lp_) scrub(c);
  }

  void process(const io& b, bool replace) override {
    refresh();
    const bool on = value(enable) > 0.5f;
    const int n = (int(value(slope)) & 3) + 1;
    if (n != sections_) {
      sections_ = n;
      coefficients();
    }
    for (int i = 0; i < b.frames; ++i) {
      const float l = b.in[0][i], r = b.in[1][i];
      if (!on) {
        put(b.out[0], i, l, replace);
        put(b.out[1], i, r, replace);
        continue;
      }
      if (smooth_.active()) {
        smooth_.tick();
        coefficients();
      }
      const float ll = lp_[0].lowpass(l, n, coefficient_), lr = lp_[1].lowpass(r, n, coefficient_);
      put(b.out[0], i, l + crossfeed_gain * (lr - ll), replace);
      put(b.out[1], i, r + crossfeed_gain * (ll - lr), replace);
    }
  }

 private:
  void update() override {
    smooth_.set(&hz_, crossfeed_hz(value(frequency)));
    coefficients();
  }
  void coefficients() {
    if (rc_.rate <= 0.f) return;
    coefficient_ = rc_coefficient(hz_, sections_, false, rc_.rate);
  }

  rc_cascade lp_[2];
  synth::one_pole_coefficient coefficient_;
  float hz_ = 455.f;
  int sections_ = 4;
};

}  // namespace

std::unique_ptr<effect> make_crossfeed() { return std::make_unique<crossfeed>(); }

}  // namespace fx
