// The four insert slots of one synth and the run over them after the master
// stage. Slot changes happen on the editor thread: the new effect is built
// and prepared before the engine lock is taken, only the pointer swap happens
// under it, and the previous effect is destroyed after it, so the audio
// thread never waits for an allocation or a destructor.
//
// A slot change while audio runs (an effect put in, taken out or replaced)
// crossfades: for a few milliseconds the audio thread runs the old effect on
// a copy of the block and the new one in place and fades from the first to
// the second, so the sound does not cut. The old effect is then retired, and
// the next change on the editor thread destroys it.
#pragma once

#include <array>
#include <cstdint>

#include "fx/effect.h"
#include "platform/lock.h"
#include "platform/relaxed.h"

namespace fx {

// One slot as the instance state stores it.
struct slot_state {
  static constexpr int name_capacity = 64;
  char name[name_capacity] = {};  // registry name; empty for an empty slot
  int32_t version = 0;
  int32_t count = 0;
  float values[max_params] = {};
};

class chain {
 public:
  static constexpr int slot_count = 4;

  explicit chain(platform::lock& engine_lock) : lock_(engine_lock) {}
  ~chain();
  chain(const chain&) = delete;
  chain& operator=(const chain&) = delete;

  // --- editor thread ------------------------------------------------------------
  // Creates the effect (exact name) with its defaults and puts it in the slot;
  // "-", an unknown name or null empties it. True when the slot holds an effect.
  bool set_effect(int slot, const char* name);
  effect* slot(int index) const;
  // The synth's rate is about to become `rate`: every effect builds its
  // storage for it now, off the audio path; new effects are built for it.
  void prepare_rate(float rate);
  // The slot's name and parameter record; false (and an empty name) when empty.
  bool save_slot(int slot, slot_state& out) const;
  // The named effect (a fresh one) with the stored record applied; a null,
  // empty or unknown name empties the slot. True when the slot holds an effect.
  bool restore_slot(int slot, const char* name, const param_record* stored);

  // --- audio thread, under the engine lock -----------------------------------------
  // True while any slot holds an effect or still fades one out.
  bool any() const { return filled_ > 0; }
  // Every filled slot in order over the two channels in place, after the
  // lazy rate and divider updates; a slot that changed fades from its old
  // sound to its new. Called for every block, filled or not (an empty chain
  // returns at once), so that the chain knows audio is flowing.
  void run(float* left, float* right, int frames, float rate);
  // Deletes every effect's history (delay lines, tails, followers); takes
  // the engine lock (recursive) so no slot changes meanwhile.
  void clear_all();

 private:
  static constexpr float fade_seconds = 0.005f;
  static constexpr int scratch_frames = 512;  // longer blocks fade in pieces

  // One slot: `target` is the effect the slot holds (what the editor sees);
  // `sounding` differs from it while the audio thread fades from the
  // previous effect (or from the dry signal) to it; `retired` is an effect
  // the fade has finished with, for the editor thread to destroy.
  struct slot_entry {
    platform::relaxed<effect*> target{nullptr};
    effect* sounding = nullptr;
    effect* retired = nullptr;
    int faded = 0;  // frames of the fade done
  };

  void count_filled();
  void run_fade(slot_entry& s, float* const* channels, int frames, float rate);

  platform::lock& lock_;
  std::array<slot_entry, slot_count> slots_{};
  platform::relaxed<int> filled_{0};
  platform::relaxed<float> rate_{44100.f};
  bool ran_ = false;  // no fades before the first block: nothing sounds yet
  float scratch_[2][scratch_frames] = {};
};

}  // namespace fx
