#include "tools/render/render_job.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace render {

namespace {

double now_seconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

int64_t frame_of(double seconds, int32_t rate) { return std::llround(std::max(seconds, 0.0) * rate); }

// Queues the events whose frame falls in [start, start + n). When more events
// fall there than one block carries, the block is cut short before the frame
// of the first event that does not fit, so it goes out next block at its exact
// frame. Returns the block's length.
int32_t queue_block(vsthost::plugin_instance& plugin, const std::vector<midi::timed_message>& messages,
                    int32_t rate, int64_t start, int32_t n, size_t& next, int64_t& dropped) {
  const size_t capacity = size_t(plugin.midi_capacity());
  if (next + capacity < messages.size()) {
    const int64_t overflow_frame = frame_of(messages[next + capacity].seconds, rate);
    // Every event before overflow_frame fits. When even the block's first
    // frame holds more than fit, that frame alone is the block and the excess
    // is dropped.
    if (overflow_frame < start + n) n = int32_t(std::max<int64_t>(overflow_frame - start, 1));
  }
  size_t queued = 0;
  for (; next < messages.size(); ++next) {
    const midi::timed_message& m = messages[next];
    const int64_t frame = frame_of(m.seconds, rate);
    if (frame >= start + n) break;
    if (queued == capacity) {
      ++dropped;
      continue;
    }
    const int32_t delta = int32_t(std::max<int64_t>(frame - start, 0));
    plugin.queue_midi(delta, m.bytes[0], m.bytes[1], m.size > 2 ? m.bytes[2] : 0);
    ++queued;
  }
  return n;
}

void append_level(std::string& out, const char* name, const level_stats& s) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "%-6s peak %7.2f dBFS (%.4f)   rms %7.2f dBFS (%.4f)%s\n", name,
                to_dbfs(s.peak()), s.peak(), to_dbfs(s.rms()), s.rms(), s.finite() ? "" : "   NOT FINITE");
  out += buf;
}

}  // namespace

bool render_block(vsthost::plugin_instance& plugin, float* left, float* right, int32_t n, const block_sink& sink,
                  render_summary& summary, std::string& error) {
  const double t0 = now_seconds();
  plugin.process(left, right, n);
  summary.process_seconds += now_seconds() - t0;
  summary.left.add(left, n);
  summary.right.add(right, n);
  summary.frames += n;
  return !sink || sink(left, right, n, error);
}

bool render_messages(vsthost::plugin_instance& plugin, const std::vector<midi::timed_message>& messages,
                     const render_settings& settings, const block_sink& sink,
                     const progress_sink& progress, render_summary& summary, std::string& error) {
  summary = render_summary{};
  summary.sample_rate = settings.sample_rate;
  const int32_t rate = settings.sample_rate;
  double end = settings.end_seconds;
  if (!messages.empty()) end = std::max(end, messages.back().seconds);
  const int64_t total = frame_of(end, rate) + frame_of(settings.tail_seconds, rate);
  const int32_t block = std::min(settings.block_size, plugin.block_size());
  std::vector<float> left(static_cast<size_t>(block)), right(static_cast<size_t>(block));
  size_t next = 0;
  for (int64_t start = 0; start < total;) {
    int32_t n = int32_t(std::min<int64_t>(block, total - start));
    n = queue_block(plugin, messages, rate, start, n, next, summary.dropped_events);
    if (!render_block(plugin, left.data(), right.data(), n, sink, summary, error)) return false;
    start += n;
    if (progress) progress(double(start) / double(total));
  }
  return true;
}

std::vector<midi::timed_message> single_note(int32_t key, int32_t velocity, double note_seconds) {
  const uint8_t k = uint8_t(std::clamp(key, 0, 127));
  const uint8_t v = uint8_t(std::clamp(velocity, 1, 127));
  return {{0.0, {0x90, k, v}, 3}, {note_seconds, {0x80, k, 0}, 3}};
}

std::string summary_text(const render_summary& s) {
  std::string out;
  char buf[160];
  std::snprintf(buf, sizeof buf, "length %.3f s (%lld frames at %d Hz)\n", s.seconds(),
                static_cast<long long>(s.frames), s.sample_rate);
  out += buf;
  append_level(out, "left", s.left);
  append_level(out, "right", s.right);
  std::snprintf(buf, sizeof buf, "realtime factor %.1fx (%.3f s of audio in %.3f s of processing)\n",
                s.realtime_factor(), s.seconds(), s.process_seconds);
  out += buf;
  if (s.dropped_events) {
    std::snprintf(buf, sizeof buf, "dropped %lld events (too many on one frame)\n",
                  static_cast<long long>(s.dropped_events));
    out += buf;
  }
  return out;
}

}  // namespace render
