#include "plugin/standalone/load_meter.h"

#include <algorithm>

namespace standalone {

double load_totals::percent_since(const load_totals& earlier) const {
  if (sound_ns <= earlier.sound_ns) return 0.0;
  return 100.0 * double(busy_ns - earlier.busy_ns) / double(sound_ns - earlier.sound_ns);
}

void load_meter::add_block(clock::time_point start, clock::time_point end, int32_t frames) {
  if (frames <= 0) return;
  const auto busy = uint64_t(std::max<int64_t>(0, std::chrono::nanoseconds(end - start).count()));
  const auto sound = uint64_t(double(frames) * ns_per_frame_);
  busy_ns_.store(busy_ns_.load(std::memory_order_relaxed) + busy, std::memory_order_relaxed);
  sound_ns_.store(sound_ns_.load(std::memory_order_relaxed) + sound, std::memory_order_relaxed);
  const auto permille = uint32_t(std::min<uint64_t>(1000000, busy * 1000 / std::max<uint64_t>(sound, 1)));
  if (permille > peak_permille_.load(std::memory_order_relaxed))
    peak_permille_.store(permille, std::memory_order_relaxed);
}

load_totals load_meter::totals() const {
  load_totals t;
  t.busy_ns = busy_ns_.load(std::memory_order_relaxed);
  t.sound_ns = sound_ns_.load(std::memory_order_relaxed);
  t.peak_permille = peak_permille_.load(std::memory_order_relaxed);
  return t;
}

}  // namespace standalone
