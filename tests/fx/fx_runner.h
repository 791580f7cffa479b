// Drives one effect the way the chain does (rate and divider updates, then
// run with pending changes) over whole test signals, in the floating-point
// mode of a processing call.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "fx/effect.h"
#include "fx/registry.h"
#include "platform/fp_mode.h"

namespace fx_test {

constexpr float rate44 = 44100.f;

struct stereo {
  std::vector<float> l, r;
  explicit stereo(size_t n = 0) : l(n), r(n) {}
  size_t size() const { return l.size(); }
};

class runner {
 public:
  explicit runner(std::unique_ptr<fx::effect> e, float rate = rate44) : e_(std::move(e)), rate_(rate) {
    e_->rebuild(rate);
    e_->reset();
    e_->clear();
    e_->load_defaults();
  }
  explicit runner(const char* name, float rate = rate44) : runner(fx::create_effect(true, name), rate) {}

  fx::effect& fx() { return *e_; }
  float rate() const { return rate_; }
  void set(int index, float v) { e_->set_value(index, v); }
  // The floating-point mode of the runs (the processing call's by default).
  void set_fp_mode(platform::fp_control_words mode) { mode_ = mode; }
  // In place, `block` frames per call; `side` feeds the side-chain input.
  void run(stereo& s, int block = 256, stereo* side = nullptr, bool replace = true) {
    platform::scoped_fp_mode mode(mode_);
    for (size_t at = 0; at < s.size(); at += size_t(block)) {
      const int n = int(std::min<size_t>(size_t(block), s.size() - at));
      float* ch[2] = {s.l.data() + at, s.r.data() + at};
      float* sc[2] = {side ? side->l.data() + at : nullptr, side ? side->r.data() + at : nullptr};
      e_->follow_rate(rate_, n);
      e_->run({ch, ch, n, side ? sc : nullptr}, replace);
    }
  }

 private:
  std::unique_ptr<fx::effect> e_;
  float rate_;
  platform::fp_control_words mode_ = platform::processing_fp_mode;
};

// The processing call's mode with rounding to nearest instead of toward zero.
constexpr platform::fp_control_words nearest_fp_mode{platform::processing_fp_mode.mxcsr & ~0x6000u,
                                                     uint16_t(platform::processing_fp_mode.x87 & ~0x0C00)};

inline stereo sine(double hz, double seconds, double amplitude = 0.5, double rate = rate44) {
  stereo s(size_t(seconds * rate));
  for (size_t i = 0; i < s.size(); ++i) s.l[i] = s.r[i] = float(amplitude * std::sin(2 * M_PI * hz * double(i) / rate));
  return s;
}

inline stereo square(double hz, double seconds, double amplitude = 1.0, double rate = rate44) {
  stereo s(size_t(seconds * rate));
  for (size_t i = 0; i < s.size(); ++i) {
    const double phase = std::fmod(hz * double(i) / rate, 1.0);
    s.l[i] = s.r[i] = float(phase < 0.5 ? amplitude : -amplitude);
  }
  return s;
}

// Full-scale white noise, independent per channel.
inline stereo noise(double seconds, uint32_t seed = 1, double amplitude = 1.0, double rate = rate44) {
  stereo s(size_t(seconds * rate));
  uint32_t x = seed * 2654435761u + 1u;
  auto next = [&x] {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return float(int32_t(x)) * (1.f / 2147483648.f);
  };
  for (size_t i = 0; i < s.size(); ++i) {
    s.l[i] = float(amplitude) * next();
    s.r[i] = float(amplitude) * next();
  }
  return s;
}

inline stereo impulse(double seconds, size_t at = 0, double rate = rate44) {
  stereo s(size_t(seconds * rate));
  s.l[at] = s.r[at] = 1.f;
  return s;
}

// A smooth Gaussian click centred on `at` (width 8 samples: its spectrum ends
// near 2 kHz), whose peak and position survive band-limiting filters.
inline stereo pulse(double seconds, size_t at, double rate = rate44) {
  stereo s(size_t(seconds * rate));
  for (size_t i = at > 40 ? at - 40 : 0; i < std::min(s.size(), at + 40); ++i) {
    const double u = (double(i) - double(at)) / 8.0;
    s.l[i] = s.r[i] = float(std::exp(-u * u));
  }
  return s;
}

// The index of the largest |x| in [from, to).
inline size_t loudest(const std::vector<float>& x, size_t from = 0, size_t to = SIZE_MAX) {
  size_t best = from;
  for (size_t i = from; i < std::min(to, x.size()); ++i)
    if (std::fabs(x[i]) > std::fabs(x[best])) best = i;
  return best;
}

}  // namespace fx_test
