#include "fx/chain.h"

#include <cstdio>
#include <cstring>

#include "fx/registry.h"

namespace fx {

chain::~chain() {
  for (auto& s : slots_) delete s.load();
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
  effect* previous;
  {
    platform::scoped_lock hold(lock_);
    previous = slots_[size_t(slot)];
    slots_[size_t(slot)] = fresh.release();
    int n = 0;
    for (auto& s : slots_) n += s.load() ? 1 : 0;
    filled_ = n;
  }
  delete previous;
  return slots_[size_t(slot)].load() != nullptr;
}

effect* chain::slot(int index) const {
  return index >= 0 && index < slot_count ? slots_[size_t(index)].load() : nullptr;
}

void chain::prepare_rate(float rate) {
  rate_ = rate;
  for (auto& s : slots_)
    if (effect* e = s.load()) e->rebuild(rate);
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
  float* channels[2] = {left, right};
  const io block{channels, channels, frames, nullptr};
  for (auto& s : slots_) {
    effect* e = s.load();
    if (!e) continue;
    e->follow_rate(rate, frames);
    e->run(block, true);
  }
}

void chain::clear_all() {
  platform::scoped_lock hold(lock_);  // the caller may not hold it; slots may be changing
  for (auto& s : slots_)
    if (effect* e = s.load()) e->clear();
}

}  // namespace fx
