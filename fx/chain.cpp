#include "fx/chain.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "fx/registry.h"

namespace fx {

chain::~chain() {
  for (slot_entry& s : slots_) {
    if (s.sounding != s.target.load()) delete s.sounding;
    delete s.target.load();
    delete s.retired;
  }
}

void chain::count_filled() {
  int n = 0;
  for (const slot_entry& s : slots_) n += s.target.load() || s.sounding ? 1 : 0;
  filled_ = n;
}

bool chain::set_effect(int slot, const char* name) {
  if (slot < 0 || slot >= slot_count) return false;
  std::unique_ptr<effect> fresh;
  if (name && std::strcmp(name, "-") != 0) fresh = create_effect(true, name);
  if (fresh) {
    fresh->rebuild(rate_);
    fresh->reset();
    fresh->clear();
    fresh->load_defaults();
    fresh->share_lock(lock_);
  }
  effect* finished[3] = {nullptr, nullptr, nullptr};  // destroyed after the lock
  slot_entry& s = slots_[size_t(slot)];
  {
    platform::scoped_lock hold(lock_);
    finished[0] = s.retired;
    s.retired = nullptr;
    effect* previous = s.target;
    if (s.sounding != previous) {  // a fade still running ends here, on its new effect
      finished[1] = s.sounding;
      s.sounding = previous;
    }
    s.target = fresh.release();
    s.faded = 0;
    if (!ran_) {  // nothing sounds yet: no fade
      finished[2] = s.sounding;
      s.sounding = s.target;
    }
    count_filled();
  }
  for (effect* e : finished) delete e;
  return s.target.load() != nullptr;
}

effect* chain::slot(int index) const {
  return index >= 0 && index < slot_count ? slots_[size_t(index)].target.load() : nullptr;
}

void chain::prepare_rate(float rate) {
  rate_ = rate;
  platform::scoped_lock hold(lock_);  // `sounding` changes under it
  for (slot_entry& s : slots_) {
    if (effect* e = s.target.load()) e->rebuild(rate);
    if (s.sounding && s.sounding != s.target.load()) s.sounding->rebuild(rate);
  }
}

bool chain::save_slot(int slot, slot_state& out) const {
  out = slot_state{};
  const effect* e = this->slot(slot);
  if (!e) return false;
  std::snprintf(out.name, sizeof out.name, "%s", e->name());
  out.count = e->save_record(out.values, out.version);
  return true;
}

bool chain::restore_slot(int slot, const char* name, const param_record* stored) {
  if (!name || !name[0]) name = "-";
  if (!set_effect(slot, name)) return false;
  if (stored) this->slot(slot)->load_record(*stored);
  return true;
}

void chain::run(float* left, float* right, int frames, float rate) {
  ran_ = true;  // from now on a slot change fades: audio is flowing
  if (filled_ == 0) return;
  float* channels[2] = {left, right};
  const io block{channels, channels, frames, nullptr};
  bool settled = false;
  for (slot_entry& s : slots_) {
    effect* e = s.target.load();
    int at = 0;
    if (s.sounding != e) {
      while (at < frames && s.sounding != e) {
        const int n = std::min(scratch_frames, frames - at);
        float* piece[2] = {left + at, right + at};
        run_fade(s, piece, n, rate);
        at += n;
      }
      settled = settled || s.sounding == e;
    }
    if (!e || at == frames) continue;
    if (at == 0) {
      e->follow_rate(rate, frames);
      e->run(block, true);
    } else {  // the rest of a long block after its fade ended
      float* rest[2] = {left + at, right + at};
      e->follow_rate(rate, frames - at);
      e->run({rest, rest, frames - at, nullptr}, true);
    }
  }
  if (settled) count_filled();
}

// The previous effect (or the dry signal) on a copy; the new one (or the dry
// signal) in place on the input faded in, so that what it remembers (echoes,
// tails) starts as smoothly as what it plays now; then the fade out of the
// copy added. For a linear effect this is a linear crossfade.
void chain::run_fade(slot_entry& s, float* const* channels, int frames, float rate) {
  effect* before = s.sounding;
  effect* after = s.target.load();
  float* copy[2] = {scratch_[0], scratch_[1]};
  for (int c = 0; c < 2; ++c) std::copy_n(channels[c], frames, copy[c]);
  if (before) {
    before->follow_rate(rate, frames);
    before->run({copy, copy, frames, nullptr}, true);
  }
  const int length = std::max(int(fade_seconds * rate), 1);
  const float step = 1.f / float(length);
  const int fading = std::min(frames, length - s.faded);
  for (int i = 0; i < fading; ++i) {
    const float k = float(s.faded + i + 1) * step;
    for (int c = 0; c < 2; ++c) channels[c][i] *= k;
  }
  if (after) {
    after->follow_rate(rate, frames);
    after->run({channels, channels, frames, nullptr}, true);
  }
  for (int i = 0; i < fading; ++i) {
    const float k = float(s.faded + i + 1) * step;
    for (int c = 0; c < 2; ++c) channels[c][i] += copy[c][i] * (1.f - k);
  }
  s.faded += fading;
  if (s.faded >= length) {  // done: the previous effect goes to the editor thread
    s.retired = before;
    s.sounding = after;
    s.faded = 0;
  }
}

void chain::clear_all() {
  platform::scoped_lock hold(lock_);  // the caller may not hold it; slots may be changing
  for (slot_entry& s : slots_) {
    if (effect* e = s.target.load()) e->clear();
    if (s.sounding && s.sounding != s.target.load()) s.sounding->clear();
  }
}

}  // namespace fx
