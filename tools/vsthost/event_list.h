// MIDI events queued for the next processing block, kept in storage sized once
// so that building the VstEvents block allocates nothing. Events stay ordered
// by their frame offset (ties keep queue order), as plug-ins expect.
#pragma once

#include <cstdint>
#include <vector>

#include "plugin/vst2/vst2.h"

namespace vsthost {

class event_list {
 public:
  static constexpr int32_t default_capacity = 1024;

  explicit event_list(int32_t capacity = default_capacity);

  int32_t capacity() const { return int32_t(midi_.size()); }
  int32_t size() const { return count_; }
  bool empty() const { return count_ == 0; }

  // False (and nothing queued) when the list is full or the offset negative.
  bool push(int32_t delta_frames, uint8_t b0, uint8_t b1, uint8_t b2);
  void clear() { count_ = 0; }

  // Clamps every offset into [0, frames) and returns the block to hand to
  // effProcessEvents. Valid until the next push or clear.
  VstEvents* prepare(int32_t frames);

 private:
  VstEvents* header() { return reinterpret_cast<VstEvents*>(block_.data()); }

  std::vector<VstMidiEvent> midi_;
  std::vector<int32_t> order_;  // queue order -> slot in midi_, sorted by offset
  std::vector<intptr_t> block_;  // a VstEvents header and capacity pointers
  int32_t count_ = 0;
};

}  // namespace vsthost
