// A cheap pitch estimate for tracking filters: the period between upward
// zero crossings of the input lowpassed at 1 kHz, with a hysteresis of a
// tenth of the recent peak so noise near zero does not count (the classic
// zero-crossing estimator, Zolzer, DAFX 2nd ed., ch. 9, which is sound for the
// fundamental-rich tones of a subtractive synth). The estimate glides in
// octaves with a 30 ms time constant and holds while the input is silent.
#pragma once

#include <cmath>

#include "fx/denormal.h"
#include "fx/time_law.h"
#include "synth/dsp/one_pole.h"

namespace fx {

class pitch_tracker {
 public:
  static constexpr float lowest_hz = 30.f;
  static constexpr float highest_hz = 4000.f;
  static constexpr float start_hz = 261.6256f;  // middle C until something plays

  void init(float rate) {
    rate_ = rate;
    lowpass_.init(1000.f, rate);
    glide_ = time_coefficient(0.03f, rate);
    peak_fall_ = time_coefficient(0.05f, rate);
    longest_ = int(rate / lowest_hz);
  }
  void reset() {
    lowpass_.reset();
    octaves_ = std::log2(start_hz);
    target_ = octaves_;
    peak_ = 0.f;
    since_ = 0;
    armed_ = false;
  }
  void run(float x) {
    const float y = lowpass_.process(x);
    const float a = std::fabs(y);
    peak_ = a > peak_ ? a : peak_ + (a - peak_) * peak_fall_;
    const float h = 0.1f * peak_;
    ++since_;
    if (y < -h) armed_ = true;
    if (armed_ && y > h && peak_ > 1e-4f) {
      armed_ = false;
      if (since_ <= longest_) {
        float hz = rate_ / float(since_);
        hz = hz < lowest_hz ? lowest_hz : (hz > highest_hz ? highest_hz : hz);
        target_ = std::log2(hz);
      }
      since_ = 0;
    }
    if (since_ > longest_) since_ = longest_ + 1;
    octaves_ += (target_ - octaves_) * glide_;
  }
  void flush() {
    fx::flush(lowpass_.s);
    fx::flush(peak_);
  }
  // The estimate in octaves above 1 Hz, and in Hz.
  // Back to the start when a non-finite input reached the state.
  void recover() {
    lowpass_.s = std::isfinite(lowpass_.s) ? lowpass_.s : 0.f;
    if (!std::isfinite(peak_) || !std::isfinite(octaves_) || !std::isfinite(target_)) reset();
  }
  float octaves() const { return octaves_; }
  float hz() const { return std::exp2(octaves_); }

 private:
  synth::one_pole_lowpass lowpass_;
  float rate_ = 44100.f, glide_ = 1.f, peak_fall_ = 1.f, peak_ = 0.f;
  float octaves_ = 8.031f, target_ = 8.031f;
  int since_ = 0, longest_ = 1470;
  bool armed_ = false;
};

}  // namespace fx
