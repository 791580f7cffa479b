// Short MIDI messages from one thread to the audio thread: a single-producer,
// single-consumer ring of fixed size, without locks or allocation. The window
// (typing keyboard, panic) has one into the player, the ALSA sequencer thread
// one into the ALSA audio thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace standalone {

// One channel or system-common message; longer ones (system exclusive) are
// not carried.
struct midi_message {
  uint8_t bytes[3] = {};
  uint8_t size = 0;
};

class midi_fifo {
 public:
  // Far more than a hand on a keyboard or a cable delivers in one block.
  static constexpr uint32_t capacity = 512;  // a power of two

  // Producer. False (the message dropped) when the ring is full.
  bool push(const midi_message& m) {
    const uint32_t w = write_.load(std::memory_order_relaxed);
    if (w - read_.load(std::memory_order_acquire) >= capacity) return false;
    slots_[w & (capacity - 1)] = m;
    write_.store(w + 1, std::memory_order_release);
    return true;
  }

  // Consumer. False when empty.
  bool pop(midi_message& m) {
    const uint32_t r = read_.load(std::memory_order_relaxed);
    if (r == write_.load(std::memory_order_acquire)) return false;
    m = slots_[r & (capacity - 1)];
    read_.store(r + 1, std::memory_order_release);
    return true;
  }

 private:
  static_assert((capacity & (capacity - 1)) == 0);
  std::array<midi_message, capacity> slots_{};
  std::atomic<uint32_t> write_{0};
  std::atomic<uint32_t> read_{0};
};

}  // namespace standalone
