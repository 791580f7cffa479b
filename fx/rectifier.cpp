// "Rectifier": full-wave rectification towards the chosen polarity, blended
// with the input by Depth: y = (|x| p - x) d + x. "Oversample" runs the
// corner at twice the rate with antiderivative anti-aliasing
// (antiderivative.h): the octave-up it makes is rich in harmonics.
#include <cmath>
#include <cstdio>

#include "fx/factories.h"
#include "fx/antiderivative.h"
#include "fx/half_band.h"
#include "fx/smoothing.h"

namespace fx {

namespace {

enum { depth, polarity, oversample, count };

constexpr param_desc params[count] = {
    {"Depth", 0.f, 1.f, 0, 1.f},
    {"Polarity", 0.f, 1.f, 1, 1.f},
    {"Oversample", 0.f, 1.f, 1, 0.f},
};

class rectifier final : public effect {
 public:
  rectifier() : effect("Rectifier", params, count) {}

  void sample_rate_changed() override {
    smooth_.init(knob_smoothing_seconds, rc_.rate);
    update();
    smooth_.finish();
  }
  void clear() override {
    for (auto& o : os_) o.clear();
    for (auto& a : corner_) a.clear();
  }
  void parameter_changed(int index) override {
    if (index == oversample && (value(oversample) > 0.5f) != oversampled_) {
      oversampled_ = !oversampled_;
      clear();
    }
    dirty_ = true;
  }
  void format_value(int index, char* text, size_t size) const override {
    if (index == polarity)
      std::snprintf(text, size, "%s", value(polarity) > 0.5f ? "Positive" : "Negative");
    else
      effect::format_value(index, text, size);
  }

  void process(const io& b, bool replace) override {
    if (dirty_) update();
    for (int i = 0; i < b.frames; ++i) {
      if (smooth_.active()) smooth_.tick();
      for (int c = 0; c < 2; ++c) {
        const float x = b.in[c][i];
        float y;
        if (oversampled_) {
          float even, odd;
          os_[c].up.run(x, even, odd);
          const law l{sign_ * depth_, 1.f - depth_};
          even = corner_[c].run(l, even);
          odd = corner_[c].run(l, odd);
          y = os_[c].down.run(even, odd);
        } else {
          y = shape(x);
        }
        put(b.out[c], i, y, replace);
      }
    }
  }

 private:
  float shape(float x) const { return (std::fabs(x) * sign_ - x) * depth_ + x; }
  // The same as f(x) = a |x| + b x, with its antiderivative a x |x| / 2 + b x^2 / 2.
  struct law {
    double a, b;
    double value(double x) const { return a * std::fabs(x) + b * x; }
    double antiderivative(double x) const { return 0.5 * x * (a * std::fabs(x) + b * x); }
  };
  void update() {
    dirty_ = false;
    smooth_.set(&depth_, value(depth));
    sign_ = value(polarity) > 0.5f ? 1.f : -1.f;
    oversampled_ = value(oversample) > 0.5f;
  }

  smoothing_list smooth_;
  oversampler_2x os_[2];
  antiderivative_filter<law> corner_[2];
  float depth_ = 1.f, sign_ = 1.f;
  bool oversampled_ = false;
  bool dirty_ = true;
};

}  // namespace

std::unique_ptr<effect> make_rectifier() { return std::make_unique<rectifier>(); }

}  // namespace fx
