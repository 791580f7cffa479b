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
#include "fx/rc_cascade.h"
#include "fx/smoothing.h"

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

class crossfeed final : public effect {
 public:
  crossfeed() : effect("Crossfeed", params, count) {}

  void sample_rate_changed() override {
    smooth_.init(knob_smoothing_seconds, rc_.rate);
    update();
    smooth_.finish();
    coefficients();
  }
  void clear() override {
    for (auto& c : lp_) c.clear();
  }
  void parameter_changed(int) override { dirty_ = true; }

  void process(const io& b, bool replace) override {
    if (dirty_) update();
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
      const float ll = lp_[0].lowpass(l, n, g_, k_), lr = lp_[1].lowpass(r, n, g_, k_);
      put(b.out[0], i, l + crossfeed_gain * (lr - ll), replace);
      put(b.out[1], i, r + crossfeed_gain * (ll - lr), replace);
    }
  }

 private:
  void update() {
    dirty_ = false;
    smooth_.set(&hz_, crossfeed_hz(value(frequency)));
    coefficients();
  }
  void coefficients() {
    if (rc_.rate <= 0.f) return;
    g_ = synth::one_pole_g(rc_section_hz(hz_, sections_, false, rc_.rate), rc_.rate);
    k_ = 1.f / (1.f + g_);
  }

  smoothing_list smooth_;
  rc_cascade lp_[2];
  float hz_ = 455.f, g_ = 0.f, k_ = 1.f;
  int sections_ = 4;
  bool dirty_ = true;
};

}  // namespace

std::unique_ptr<effect> make_crossfeed() { return std::make_unique<crossfeed>(); }

}  // namespace fx
