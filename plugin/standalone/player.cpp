#include "plugin/standalone/player.h"

#include "plugin/instance.h"

namespace standalone {

void player::queue_midi(const queued_midi& m) {
  instance_.queue_midi(m.frame, m.message.bytes, m.message.size);
}

void player::render(float* left, float* right, int32_t frames) {
  const auto start = load_meter::clock::now();
  midi_message m;
  while (window_input_.pop(m)) instance_.queue_midi(0, m.bytes, m.size);
  instance_.process(left, right, frames);
  meter_.add_block(start, load_meter::clock::now(), frames);
  blocks_.store(blocks_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

void player::panic() {
  midi_message all[panic_message_count];
  panic_messages(all);
  for (const midi_message& m : all) window_input_.push(m);
}

}  // namespace standalone
