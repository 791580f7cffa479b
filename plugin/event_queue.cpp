#include "plugin/event_queue.h"

#include <algorithm>

namespace plugin {

bool event_queue::push(const queued_event& e) {
  if (count_ == capacity) {
    ++dropped_;
    return false;
  }
  events_[size_t(count_++)] = e;
  return true;
}

bool event_queue::push_midi(int32_t frame, uint32_t word) {
  queued_event e;
  e.frame = frame;
  e.kind = queued_event::midi;
  e.word = word;
  return push(e);
}

bool event_queue::push_parameter(int32_t frame, int32_t index, float value) {
  queued_event e;
  e.frame = frame;
  e.kind = queued_event::parameter;
  e.index = index;
  e.value = value;
  return push(e);
}

bool event_queue::push_note_expression(int32_t frame, int32_t key, uint32_t what, float value) {
  queued_event e;
  e.frame = frame;
  e.kind = queued_event::note_expression;
  e.word = what;
  e.index = key;
  e.value = value;
  return push(e);
}

// Lists arrive sorted on their own; only lists out of order with each other
// need the merge. A bottom-up merge sort is stable and needs no allocation.
const queued_event* event_queue::sorted() {
  const auto by_frame = [](const queued_event& a, const queued_event& b) { return a.frame < b.frame; };
  queued_event* from = events_.data();
  const int32_t n = count_;
  if (std::is_sorted(from, from + n, by_frame)) return from;
  queued_event* to = scratch_.data();
  for (int32_t width = 1; width < n; width *= 2) {
    for (int32_t lo = 0; lo < n; lo += 2 * width) {
      const int32_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
      std::merge(from + lo, from + mid, from + mid, from + hi, to + lo, by_frame);
    }
    std::swap(from, to);
  }
  if (from != events_.data()) std::copy(from, from + n, events_.data());
  return events_.data();
}

}  // namespace plugin
