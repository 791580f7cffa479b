// The insert effect interface: one abstract class for every effect of the
// chain, with its parameter descriptors, values, pending-change flags, meters
// and saved parameter record.
//
// Threads. The audio thread calls `run` (pending changes, then `process`) and
// the lazy rate updates of `follow_rate`, under the engine lock when the
// effect sits in a chain. The editor thread calls `set_value`, `value`,
// `format_value` and `meter`. A value written there is stored at once and its
// `parameter_changed` runs on the audio thread before the next block, so the
// two threads never touch the same DSP state; structural parameters (those
// that size memory) rebuild their storage on the editor thread and swap it in
// under the lock (`install`). Nothing on the audio path allocates.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>

#include "platform/lock.h"
#include "platform/relaxed.h"

namespace fx {

constexpr int max_params = 24;  // the Reverb has the most

// One row of an effect's parameter table.
struct param_desc {
  const char* name;
  float min;
  float max;
  int32_t integer;  // 1: whole values (switches and menus)
  float def;
};

// Display groups: {name, unused, first parameter index}, ended by a null name.
struct param_group {
  const char* name;
  const void* unused;
  int32_t first;
};

// The buffers of one process call: channel pointer arrays, frames, and an
// optional side-chain pair (null from the chain).
struct io {
  float* const* in;
  float* const* out;
  int frames;
  float* const* side;
};

// A stored parameter record: layout version, count and values (a view of the
// caller's storage; count may differ from the effect's own count).
struct param_record {
  int32_t version = 0;
  int32_t count = 0;
  const float* values = nullptr;
};

// The rate context every effect shares with its synth: sample rate and the
// constants derived from it, and the block divider (frames of the last run).
struct rate_context {
  float rate = 0.f;
  float inv_rate = 0.f;
  float pi_over_rate = 0.f;
  float two_pi_over_rate = 0.f;
  float control_rate = 0.f;
  float inv_divider = 1.f;
  int divider = 0;
};

// An editor view showing an effect: told after a parameter record is loaded.
class effect_view {
 public:
  virtual void effect_changed() = 0;

 protected:
  ~effect_view() = default;
};

class effect {
 public:
  effect(const char* name, const param_desc* table, int count, const param_group* groups = nullptr,
         int inputs = 2);
  virtual ~effect() = default;
  effect(const effect&) = delete;
  effect& operator=(const effect&) = delete;

  // --- the virtual operations, in slot order --------------------------------
  virtual void sample_rate_changed() {}
  virtual void block_rate_changed() {}
  // Slot 3: builds the memory that depends on `rate` and the structural
  // values, off the audio path, and swaps it in with `install`. Called before
  // the effect is shared, when the synth's rate is about to change, and after
  // a structural value changed.
  virtual void rebuild(float rate) {}
  virtual void reset() {}
  virtual void clear() {}
  virtual void prepare(int frames) {}
  // replace: the output is written (true) or added to (false).
  virtual void process(const io& block, bool replace) {}
  virtual void parameter_changed(int index) {}
  virtual float meter(int index) const { return 0.f; }
  virtual void format_value(int index, char* text, size_t size) const;
  virtual int32_t parameter_version() const { return 0; }
  virtual void upgrade_parameters(const param_record& stored) {}
  // True for the parameters whose change needs `rebuild`.
  virtual bool structural(int index) const { return false; }
  // Bytes of the storage `rebuild` made (delay lines, tails).
  virtual size_t storage_bytes() const { return 0; }
  // After a block whose input or output held a NaN or an infinity: every
  // entry of the state that such a sample can reach (filter memories,
  // followers, delay lines) that is no longer finite goes back to zero, the
  // rest stays, so the effect sounds again from the next block on. Effects
  // whose state cannot hold a non-finite value keep the default.
  virtual void recover() {}

  // --- description ------------------------------------------------------------
  const char* name() const { return name_; }
  int input_count() const { return inputs_; }
  int output_count() const { return 2; }
  int param_count() const { return count_; }
  const param_desc& desc(int index) const { return table_[index]; }
  const param_group* groups() const { return groups_; }
  int edited = -1;  // the parameter the editor is editing, or -1

  // --- values (any thread) ------------------------------------------------------
  float value(int index) const { return values_[size_t(index)]; }
  // Stores v (limited to the range; NaN gives the default) and marks it for
  // the audio thread; a structural parameter rebuilds here.
  void set_value(int index, float v);
  // Every value at its default with `parameter_changed` in index order; only
  // before the effect is shared with the audio thread.
  void load_defaults();
  // Applies a stored record: differing values are set, then
  // `upgrade_parameters` when the count or version differs, then the view.
  void load_record(const param_record& stored);
  // version, count and values (max_params floats) of the current state.
  int32_t save_record(float* values, int32_t& version) const;
  void set_view(effect_view* v) { view_ = v; }

  // --- the chain's side (audio thread) ---------------------------------------------
  // The lazy updates before a run: a new synth rate, then a new divider.
  void follow_rate(float rate, int frames);
  // Pending parameter changes, then `process`; `recover` when a sample of
  // the block's input or output was not finite.
  void run(const io& block, bool replace);
  // From now on `install` swaps under this lock (the engine lock in a chain).
  void share_lock(platform::lock& l) { swap_lock_ = &l; }
  const rate_context& rates() const { return rc_; }

 protected:
  // Swaps freshly built storage in under the swap lock; `fresh` then holds
  // the previous storage, which the caller frees after the lock.
  template <typename T>
  void install(std::unique_ptr<T>& live, std::unique_ptr<T>& fresh) {
    platform::scoped_lock hold(*swap_lock_);
    live.swap(fresh);
  }
  float storage_rate() const { return storage_rate_; }
  platform::lock& swap_lock() { return *swap_lock_; }
  void set_storage_rate(float r) { storage_rate_ = r; }
  // The rate to build for when nothing has been built yet.
  float build_rate() const;
  void apply_pending();

  rate_context rc_;

 private:
  const char* name_;
  const param_desc* table_;
  const param_group* groups_;
  int count_;
  int inputs_;
  std::array<platform::relaxed<float>, max_params> values_{};
  std::array<std::atomic<uint32_t>, max_params> changed_{};
  std::atomic<bool> any_changed_{false};
  platform::relaxed<float> storage_rate_{0.f};
  platform::lock own_lock_;
  platform::lock* swap_lock_ = &own_lock_;
  effect_view* view_ = nullptr;
  bool loading_ = false;          // inside load_record (editor thread)
  bool rebuild_pending_ = false;  // a structural value changed while loading
};

// Writes y into out[i], or adds it when the process flag asks to accumulate.
inline void put(float* out, int i, float y, bool replace) { out[i] = replace ? y : out[i] + y; }

// True when none of the n samples is a NaN or an infinity. One pass of
// integer operations that vectorise: cheap enough to run over every block.
bool all_finite(const float* x, int n);

// Zero for every entry of x[0..n) that is not finite; the others stay.
void scrub(float* x, size_t n);
// The same for a record made only of floats (filter states, followers).
template <typename T>
void scrub(T& floats) {
  static_assert(std::is_trivially_copyable_v<T> && sizeof(T) % sizeof(float) == 0);
  scrub(reinterpret_cast<float*>(&floats), sizeof(T) / sizeof(float));
}

// The input unchanged, for an effect that has nothing to run on yet.
inline void pass_through(const io& b, bool replace) {
  for (int c = 0; c < 2; ++c)
    if (b.in[c] != b.out[c] || !replace)
      for (int i = 0; i < b.frames; ++i) put(b.out[c], i, b.in[c][i], replace);
}

}  // namespace fx
