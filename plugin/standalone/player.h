// The instance as the audio thread plays it: MIDI from the backend at its
// frames, MIDI from the window (typing keyboard, panic) through a lock-free
// ring at the block's start, then one process call, timed for the load
// figure.
#pragma once

#include <atomic>
#include <cstdint>

#include "plugin/standalone/audio_backend.h"
#include "plugin/standalone/load_meter.h"
#include "plugin/standalone/midi_fifo.h"

namespace plugin {
class instance;
}

namespace standalone {

class player : public audio_client {
 public:
  explicit player(plugin::instance& it) : instance_(it) {}

  // Before the backend starts.
  void init(double sample_rate) { meter_.init(sample_rate); }

  void queue_midi(const queued_midi& m) override;
  void render(float* left, float* right, int32_t frames) override;

  // The producer's end, for the window's thread.
  midi_fifo& window_input() { return window_input_; }
  // Queues the panic messages from the window's thread.
  void panic();

  const load_meter& meter() const { return meter_; }
  // Blocks rendered so far (the window shows that sound is running).
  uint64_t blocks() const { return blocks_.load(std::memory_order_relaxed); }

 private:
  plugin::instance& instance_;
  midi_fifo window_input_;
  load_meter meter_;
  std::atomic<uint64_t> blocks_{0};
};

}  // namespace standalone
