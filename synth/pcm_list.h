// The instance's loaded PCM waves, indexed from 0 (waveform value 6 plays
// entry 0). Owned records at stable addresses: the audio thread reads them
// under the engine lock, and every change (add, clear, resize) is made under
// that same lock by the caller.
#pragma once

#include <memory>
#include <vector>

#include "synth/dsp/pcm_record.h"

namespace synth {

class pcm_list {
 public:
  static constexpr int growth = 16;      // room grows in steps of 16 entries
  static constexpr int max_entries = 4096;  // bounds lists from files

  int count() const { return int(entries_.size()); }
  // Null for an index outside the list.
  const pcm_record* at(int index) const {
    return index >= 0 && index < count() ? entries_[size_t(index)].get() : nullptr;
  }
  pcm_record* at(int index) {
    return index >= 0 && index < count() ? entries_[size_t(index)].get() : nullptr;
  }
  // Appends a record; returns its index, or -1 when the list is full.
  int add(pcm_record&& record);
  void clear() { entries_.clear(); }
  // Puts r in place of entry index and hands the old record back (null, and
  // r dropped, for an index outside the list), so that the caller frees it
  // after letting go of the lock.
  std::unique_ptr<pcm_record> replace(int index, std::unique_ptr<pcm_record> r);
  // Takes entry index out (later entries move down one) and hands it back.
  std::unique_ptr<pcm_record> remove(int index);
  // n empty records (n limited to max_entries).
  void reset_to(int n);

 private:
  std::vector<std::unique_ptr<pcm_record>> entries_;
};

}  // namespace synth
