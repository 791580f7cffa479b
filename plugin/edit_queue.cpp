#include "plugin/edit_queue.h"

namespace plugin {

uint32_t edit_queue::room() const {
  const uint32_t fill = written_.load(std::memory_order_relaxed) - read_.load(std::memory_order_acquire);
  return capacity - fill;
}

bool edit_queue::try_put(const edit_message& m) {
  if (room() == 0) return false;
  const uint32_t at = written_.load(std::memory_order_relaxed);
  ring_[at % capacity] = m;
  written_.store(at + 1, std::memory_order_release);
  return true;
}

void edit_queue::push(edit_message::kind_t kind, int32_t index, float value) {
  if (index < 0 || index >= parameters) return;
  bool& open = open_[size_t(index)];
  if (kind == edit_message::begin) {
    if (open) return;
    open = true;
  } else if (kind == edit_message::end) {
    if (!open) return;
    open = false;
  }
  flush();
  const edit_message m{kind, index, value};
  if (waiting_[size_t(index)].size == 0 && try_put(m)) return;
  hold(m);
}

// The coalesced form. Entries other than values alternate begin / end (push
// ignores the rest), an end followed by a begin is dropped (the gesture goes
// on) and neighbouring values keep the later one. So at most two of the
// entries are a begin or an end (begin, end), with at most one value
// before, between and after them: held_limit entries.
void edit_queue::hold(const edit_message& m) {
  waiting& w = waiting_[size_t(m.index)];
  edit_message* last = w.size > 0 ? &w.messages[size_t(w.size - 1)] : nullptr;
  if (m.kind == edit_message::automate && last && last->kind == edit_message::automate) {
    last->value = m.value;
    return;
  }
  if (m.kind == edit_message::begin) {
    int32_t k = w.size - 1;
    while (k >= 0 && w.messages[size_t(k)].kind == edit_message::automate) --k;
    if (k >= 0 && w.messages[size_t(k)].kind == edit_message::end) {
      for (int32_t j = k; j + 1 < w.size; ++j) w.messages[size_t(j)] = w.messages[size_t(j + 1)];
      --w.size;
      --held_total_;
      // The values either side of the dropped end meet: the later stands.
      if (k > 0 && k < w.size && w.messages[size_t(k - 1)].kind == edit_message::automate) {
        w.messages[size_t(k - 1)] = w.messages[size_t(k)];
        --w.size;
        --held_total_;
      }
      return;
    }
  }
  w.messages[size_t(w.size++)] = m;
  ++held_total_;
}

bool edit_queue::move_held(int32_t index) {
  waiting& w = waiting_[size_t(index)];
  if (room() < uint32_t(w.size)) return false;
  for (int32_t k = 0; k < w.size; ++k) try_put(w.messages[size_t(k)]);
  held_total_ -= w.size;
  w.size = 0;
  return true;
}

void edit_queue::flush() {
  for (int32_t i = 0; i < parameters && held_total_ > 0; ++i)
    if (waiting_[size_t(i)].size > 0) move_held(i);
}

}  // namespace plugin
