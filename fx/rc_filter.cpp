// "RC Filter": highpass and lowpass filters of 6 to 24 dB per octave made of
// buffered RC sections (rc_cascade.h). Each of the eight modes keeps its own
// state, so switching modes and back continues where it was.
#include <cstdio>

#include "fx/factories.h"
#include "fx/smoothed_effect.h"
#include "fx/rc_cascade.h"
#include "fx/time_law.h"

namespace fx {

namespace {

enum { frequency, mode, count };

constexpr param_desc params[count] = {
    {"Frequency", 0.f, 1.f, 0, 0.f},
    {"Mode", 0.f, 7.f, 1, 0.f},
};

constexpr const char* mode_names[8] = {"H 6", "H 12", "H 18", "H 24", "L 6", "L 12", "L 18", "L 24"};

float cutoff_hz(float v) { return cube(v) * 25999.9f + 0.1f; }

class rc_filter final : public smoothed_effect {
 public:
  rc_filter() : smoothed_effect("RC Filter", params, count) {}

  void sample_rate_changed() override {
    smoothed_effect::sample_rate_changed();
    coefficients();
  }
  void recover() override { scrub(state_); }
  void clear() override {
    for (auto& m : state_)
      for (auto& c : m) c.clear();
  }
  void format_value(int index, char* text, size_t size) const override {
    if (index == frequency)
      std::snprintf(text, size, "%0.1f Hz", double(cutoff_hz(value(frequency))));
    else if (index == mode)
      std::snprintf(text, size, "%s", mode_names[int(value(mode)) & 7]);
    else
      effect::format_value(index, text, size);
  }

  void process(const io& b, bool replace) override {
    refresh();
    const int m = int(value(mode)) & 7;
    const bool highpass = m < 4;
    const int n = (m & 3) + 1;
    if (m != mode_) {
      mode_ = m;
      coefficients();
    }
    rc_cascade* st = state_[m];
    for (int i = 0; i < b.frames; ++i) {
      if (smooth_.active()) {
        smooth_.tick();
        coefficients();
      }
      for (int c = 0; c < 2; ++c) {
        const float x = b.in[c][i];
        const float y = highpass ? st[c].highpass(x, n, coefficient_) : st[c].lowpass(x, n, coefficient_);
        put(b.out[c], i, y, replace);
      }
    }
  }

 private:
  void update() override {
    smooth_.set(&hz_, cutoff_hz(value(frequency)));
    coefficients();
  }
  void coefficients() {
    if (rc_.rate <= 0.f) return;
    const int m = mode_ & 7;
    coefficient_ = rc_coefficient(hz_, (m & 3) + 1, m < 4, rc_.rate);
  }

  rc_cascade state_[8][2];
  synth::one_pole_coefficient coefficient_;
  float hz_ = 0.1f;
  int mode_ = 0;
};

}  // namespace

std::unique_ptr<effect> make_rc_filter() { return std::make_unique<rc_filter>(); }

}  // namespace fx
