// The host's transport as time:Position objects tell it: tempo, rolling or
// not, bar and beat. Hosts send a Position when something changes, so the
// song position is carried on between them from the frames rendered.
#pragma once

#include <cstdint>

#include <lv2/atom/atom.h>

#include "plugin/instance.h"
#include "plugin/lv2/lv2_urids.h"

namespace plugin::lv2 {

class transport_follower {
 public:
  // Takes what a time:Position carries; properties it lacks keep their
  // values. False (nothing changed) for any other object.
  bool read(const LV2_Atom_Object* position, const urids& ids);
  // `frames` more were rendered at `rate`.
  void advance(int32_t frames, double rate);
  // False until the first Position arrived.
  bool known() const { return known_; }
  const host_time& time() const { return time_; }

 private:
  host_time time_;
  double base_quarters_ = 0.0;  // the position at the last Position object
  int64_t frames_since_ = 0;    // frames rendered since it
  bool known_ = false;
};

}  // namespace plugin::lv2
