// Edit messages for the host (begin of a gesture, a new value, end of the
// gesture) carried from the editor's thread to the audio thread, for hosts
// that must hear them from inside the processing call (see
// plugin/vst2/vst2_shell.cpp for the host that needs it and why).
//
// One producer (the editor's thread) and one consumer (the audio thread):
// a fixed ring of messages with two counters, no lock and no allocation.
// When the ring is full (the host has not processed for a while), messages
// wait on the producer's side, per parameter, in a short coalesced form: the
// latest value stands for those before it, and a gesture that begins right
// after one ended on the same parameter continues it. What the consumer
// sends is therefore always, per parameter, in the order the editor made it,
// and balanced: every begin it sends is followed by exactly one end, and no
// end comes without a begin. A begin while the parameter's gesture is open
// and an end while it is closed are ignored.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "plugin/instance.h"

namespace plugin {

struct edit_message {
  enum kind_t : uint8_t { begin, automate, end };
  kind_t kind = automate;
  int32_t index = 0;  // the parameter
  float value = 0.f;  // automate: normalised 0..1
};

class edit_queue {
 public:
  // Messages in the ring: a drag sends about 60 a second, and a host
  // processes every few milliseconds; the ring fills only when processing
  // has stopped for several seconds.
  static constexpr uint32_t capacity = 512;
  // Parameter indices taken: the instance's, globals too.
  static constexpr int32_t parameters = instance::all_param_count;
  // The longest coalesced form waiting for one parameter:
  // value, begin, value, end, value.
  static constexpr int32_t held_limit = 5;

  // Producer (the editor's thread).
  void push(edit_message::kind_t kind, int32_t index, float value = 0.f);
  // Moves waiting messages into the ring as far as it has room. Called by
  // push, and by the shell on each editor idle so that nothing waits for
  // the next gesture.
  void flush();
  // Messages waiting on the producer's side (the ring was full).
  int32_t held() const { return held_total_; }

  // Consumer (the audio thread): sends every message in the ring at the
  // call, oldest first, through send(const edit_message&).
  template <class send_fn>
  void drain(send_fn&& send) {
    const uint32_t end = written_.load(std::memory_order_acquire);
    uint32_t at = read_.load(std::memory_order_relaxed);
    while (at != end) {
      const edit_message m = ring_[at % capacity];
      read_.store(++at, std::memory_order_release);
      send(m);
    }
  }
  bool empty() const {
    return written_.load(std::memory_order_acquire) == read_.load(std::memory_order_acquire);
  }

 private:
  struct waiting {
    std::array<edit_message, held_limit> messages{};
    int32_t size = 0;
  };

  uint32_t room() const;
  bool try_put(const edit_message& m);
  void hold(const edit_message& m);
  bool move_held(int32_t index);

  std::array<edit_message, capacity> ring_{};
  // Free-running counts of messages written and read; their difference is
  // the ring's fill.
  alignas(64) std::atomic<uint32_t> written_{0};
  alignas(64) std::atomic<uint32_t> read_{0};
  // Producer only.
  alignas(64) std::array<waiting, parameters> waiting_{};
  std::array<bool, parameters> open_{};  // a gesture begun and not yet ended
  int32_t held_total_ = 0;
};

}  // namespace plugin
