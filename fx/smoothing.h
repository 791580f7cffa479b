// The effect smoothing list: parameters that glide to a new value instead of
// jumping. Each entry moves its target by (goal - value) * c per tick, with
// c = 1 - 0.01^(1 / (T * rate)) (1 % of the distance is left after T
// seconds), and lands exactly on the goal after
// floor(ln 0.01 / ln(1 - c)) + 1 ticks, when it leaves the list.
#pragma once

#include <array>
#include <cmath>

#include "fx/effect.h"

namespace fx {

// Long enough that a knob turned in steps does not zipper, short enough to feel immediate.
constexpr float knob_smoothing_seconds = 0.03f;

class smoothing_list {
 public:
  // Ticks once per sample: T in seconds at rate in Hz.
  void init(float seconds, float rate) {
    c_ = 1.f - std::pow(0.01f, 1.f / (seconds * rate));
    ticks_ = c_ > 0.f && c_ < 1.f ? int(std::floor(-4.6051702f / std::log(1.f - c_))) + 1 : 1;
    enabled_ = true;
  }
  void disable() { enabled_ = false; }

  // A new goal for *target; immediate when smoothing is off, the coefficient
  // is zero or the value is already there.
  void set(float* target, float goal) {
    if (!enabled_ || c_ <= 0.f || *target == goal) {
      *target = goal;
      drop(target);
      return;
    }
    for (int i = 0; i < count_; ++i)
      if (e_[size_t(i)].target == target) {
        e_[size_t(i)].goal = goal;
        e_[size_t(i)].remaining = ticks_;
        return;
      }
    if (count_ == int(e_.size())) {  // cannot happen with one entry per parameter
      *target = goal;
      return;
    }
    e_[size_t(count_++)] = {target, goal, ticks_};
  }
  // Every pending goal at once.
  void finish() {
    for (int i = 0; i < count_; ++i) *e_[size_t(i)].target = e_[size_t(i)].goal;
    count_ = 0;
  }
  bool active() const { return count_ > 0; }
  void tick() {
    for (int i = 0; i < count_;) {
      entry& e = e_[size_t(i)];
      *e.target += (e.goal - *e.target) * c_;
      if (--e.remaining <= 0) {
        *e.target = e.goal;
        e = e_[size_t(--count_)];
      } else {
        ++i;
      }
    }
  }

 private:
  struct entry {
    float* target;
    float goal;
    int remaining;
  };
  void drop(float* target) {
    for (int i = 0; i < count_; ++i)
      if (e_[size_t(i)].target == target) {
        e_[size_t(i)] = e_[size_t(--count_)];
        return;
      }
  }

  std::array<entry, 2 * max_params> e_{};
  int count_ = 0;
  float c_ = 0.f;
  int ticks_ = 1;
  bool enabled_ = false;
};

}  // namespace fx
