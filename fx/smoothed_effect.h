// The common shape of the effects: values derived from the parameters are
// recomputed at the start of the next block after any change (`update`,
// reached through `refresh`), some of them gliding through the smoothing
// list; a new rate recomputes everything and lands every glide at once.
#pragma once

#include "fx/effect.h"
#include "fx/smoothing.h"

namespace fx {

class smoothed_effect : public effect {
 public:
  using effect::effect;

  void sample_rate_changed() override {
    smooth_.init(knob_smoothing_seconds, smoothing_rate());
    update();
    dirty_ = false;
    smooth_.finish();
  }
  void parameter_changed(int) override { dirty_ = true; }

 protected:
  // Derived values from the parameters; smoothed ones through smooth_.set.
  virtual void update() = 0;
  // The rate the smoothing list ticks at (the effect's inner rate).
  virtual float smoothing_rate() const { return rc_.rate; }
  // Follows an "Oversample" switch into `on`, clearing the histories when
  // it flips (the filters hold the other mode's signal).
  void follow_switch(int index, bool& on) {
    if ((value(index) > 0.5f) != on) {
      on = !on;
      clear();
    }
  }
  // At the top of process: update when something changed.
  void refresh() {
    if (dirty_) {
      dirty_ = false;
      update();
    }
  }

  smoothing_list smooth_;
  bool dirty_ = true;
};

}  // namespace fx
