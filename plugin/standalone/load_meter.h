// The share of real time the audio thread spends rendering: the time inside
// each block measured against the block's length in sound. The audio thread
// adds, other threads read the running totals and make their own averages
// (the header's figure over the last half second, the exit line over the run).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace standalone {

struct load_totals {
  uint64_t busy_ns = 0;   // spent rendering
  uint64_t sound_ns = 0;  // length of the sound rendered
  uint32_t peak_permille = 0;  // the heaviest block: busy / its length, in 1/1000

  // The load between an earlier reading and this one, in percent (0 when no
  // sound was rendered in between).
  double percent_since(const load_totals& earlier) const;
};

class load_meter {
 public:
  using clock = std::chrono::steady_clock;

  void init(double sample_rate) { ns_per_frame_ = 1e9 / sample_rate; }

  // Audio thread: `start` is the clock at the block's start.
  void add_block(clock::time_point start, clock::time_point end, int32_t frames);

  load_totals totals() const;

 private:
  double ns_per_frame_ = 1e9 / 48000.0;
  std::atomic<uint64_t> busy_ns_{0}, sound_ns_{0};
  std::atomic<uint32_t> peak_permille_{0};
};

}  // namespace standalone
