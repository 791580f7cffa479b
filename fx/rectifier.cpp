// "Rectifier": full-wave rectification towards the chosen polarity, blended
// with the input by Depth: y = (|x| p - x) d + x. "Oversample" runs the
// corner at twice the rate with antiderivative anti-aliasing
// (antiderivative.h): the octave-up it makes is rich in harmonics.
#include <cmath>
#include <cstdio>

#include "fx/factories.h"
#include "fx/smoothed_effect.h"
#include "fx/oversampled_law.h"

namespace fx {

namespace {

enum { depth, polarity, oversample, count };

constexpr param_desc params[count] = {
    {"Depth", 0.f, 1.f, 0, 1.f},
    {"Polarity", 0.f, 1.f, 1, 1.f},
    {"Oversample", 0.f, 1.f, 1, 0.f},
};

class rectifier final : public smoothed_effect {
 public:
  rectifier() : smoothed_effect("Rectifier", params, count) {}

  void clear() override {
    for (auto& o : os_) o.clear();
  }
  void recover() override {
    for (auto& o : os_) {
      scrub(o.os);
      if (!std::isfinite(o.corner.x1)) o.corner.x1 = 0.0;  // the last input of the antiderivative
    }
  }
  void parameter_changed(int index) override {
    if (index == oversample) follow_switch(oversample, oversampled_);
    smoothed_effect::parameter_changed(index);
  }
  void format_value(int index, char* text, size_t size) const override {
    if (index == polarity)
      std::snprintf(text, size, "%s", value(polarity) > 0.5f ? "Positive" : "Negative");
    else
      effect::format_value(index, text, size);
  }

  void process(const io& b, bool replace) override {
    refresh();
    for (int i = 0; i < b.frames; ++i) {
      if (smooth_.active()) smooth_.tick();
      for (int c = 0; c < 2; ++c) {
        const float x = b.in[c][i];
        float y;
        if (oversampled_) {
          y = os_[c].run({sign_ * depth_, 1.f - depth_}, x, [](float) {});
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
  void update() override {
    smooth_.set(&depth_, value(depth));
    sign_ = value(polarity) > 0.5f ? 1.f : -1.f;
    oversampled_ = value(oversample) > 0.5f;
  }

  oversampled_law<law> os_[2];
  float depth_ = 1.f, sign_ = 1.f;
  bool oversampled_ = false;
};

}  // namespace

std::unique_ptr<effect> make_rectifier() { return std::make_unique<rectifier>(); }

}  // namespace fx
