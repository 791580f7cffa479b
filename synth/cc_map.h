// MIDI controller map and learn: any parameter (per-preset or global) can
// follow a controller. The editor arms a learn target; the next controller to
// arrive is bound to it and sets it in the same step.
//
// Threads: the controller step runs on the audio thread inside the engine
// lock; arming is a single store from the editor thread, and the editor reads
// the entries while learning may write them, hence the relaxed cells.
#pragma once

#include <array>
#include <cstdint>

#include "platform/relaxed.h"

namespace synth {

// The engine side that receives mapped values; the notifications go to the
// editor and are no-ops without one.
class cc_client {
 public:
  virtual ~cc_client() = default;
  virtual void set_param(int index, float internal) = 0;  // current program or global
  virtual float get_param(int index) = 0;
  virtual void notify_parameter(int index, float normalised) = 0;
  virtual void notify_message(const char* text, int number) = 0;
};

struct cc_pair {
  int32_t controller;
  int32_t parameter;
};

class cc_map {
 public:
  static constexpr int controller_count = 128;
  static constexpr int32_t unmapped = -1;

  cc_map() { clear(); }

  // Binds the next controller to `parameter` (0..105); -1 or anything out of
  // range disarms. Arming again replaces the target.
  void arm_learn(int parameter);
  int learn_target() const { return learn_target_; }

  void clear();                  // every entry unmapped
  void unmap(int controller);
  // Clears, then binds each pair whose controller (0..127) and parameter
  // (0..105) are valid; anything else in a file is skipped.
  void load(const cc_pair* pairs, int count);

  int entry(int controller) const;
  const std::array<platform::relaxed<int32_t>, controller_count>& entries() const { return entries_; }

  // Controller step for controller c, value v (0..127): learn capture, then
  // the mapped parameter receives v / 128 (clamped to [0, 1]) exactly like a
  // host write. The caller passes the message on to the rest of the MIDI entry.
  void control_change(int controller, int value, cc_client& client);

 private:
  std::array<platform::relaxed<int32_t>, controller_count> entries_{};
  platform::relaxed<int32_t> learn_target_{unmapped};
};

}  // namespace synth
