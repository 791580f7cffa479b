// What the soak holds the instance to, block by block: finite samples, a
// bounded peak, the process call's CPU time within half the block, no voice
// held after all notes off, memory flat at a fixed state, every saved
// file whole with no temporary left beside it. Breaches are kept (the first
// of each kind with its time and block, and a count per kind); a minute's
// figures are taken and reset by take_minute.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace soak {

struct limits {
  double block_seconds = 64.0 / 44100.0;
  // The process call may use this fraction of the block's duration, judged
  // on the thread's CPU time (see soak_checker.cpp).
  double time_fraction = 0.5;
  // |sample| above this is a runaway, not a loud patch with the effects'
  // gains turned up (see soak_checker.cpp).
  float peak_bound = 1e6f;
  // Memory, read once a minute at the same settled state (see memory()):
  // every sample within this of the first one.
  int64_t memory_slack_bytes = 2 << 20;
};

enum class breach : uint8_t { not_finite, peak, process_time, stuck_note, rss, file, load, count };

const char* breach_name(breach b);

// Process calls counted by their CPU time in steps of 10 us (the last step
// holds everything beyond), for the percentiles beside the worst.
struct time_histogram {
  static constexpr int32_t steps = 1000;
  static constexpr double step_seconds = 10e-6;
  std::array<int64_t, steps> counts{};
  int64_t total = 0;
  void add(double seconds);
  // The time below which `fraction` of the calls stayed (the upper edge of its step).
  double percentile(double fraction) const;
};

// One minute's figures.
struct minute {
  time_histogram cpu;
  int64_t blocks = 0;
  double worst_cpu_seconds = 0.0;
  double worst_wall_seconds = 0.0;
  float peak = 0.f;
  int64_t heap_bytes = -1;  // at the minute's memory sample; -1 before the first
  int64_t rss_bytes = -1;
  int32_t stuck_checks = 0;
  int32_t files_checked = 0;
};

class checker {
 public:
  explicit checker(const limits& l = limits{}) : limits_(l) {}

  // `seconds` is the soak's audio time at the block's start.
  void block(const float* left, const float* right, int32_t frames, double cpu_seconds, double wall_seconds,
             double seconds);
  // Voices still held (key down or sustained) at the stuck-note check.
  void stuck_voices(int32_t held, int32_t sounding, double seconds);
  // Memory at the end of a minute, with the instance brought to the same
  // state each time (schedule: settle): `heap` bytes the allocator has
  // handed out and not had back, `resident` bytes of the process in RAM
  // after free pages went back to the system. The first sample (the end of
  // minute one, when the schedule has done everything once) is the
  // baseline; every later one must lie within the slack of it, either way.
  void memory(int64_t heap, int64_t resident, double seconds);
  // A save the instance reported (`outcome` empty = success): the file must
  // be one whole chunk of id `id4`, and no temporary of a save may be left
  // beside it.
  void saved(const std::string& path, const char* id4, const std::string& outcome, double seconds);
  // A load of a file this soak saved whole must succeed.
  void loaded(const std::string& path, const std::string& outcome, double seconds);

  // The replay's verdict on the process-time breaches: only `counted` of
  // them stand (tools/soak/soak_replay.h), and the first raw one's line goes.
  void judge_process_time(int64_t counted);

  bool failed() const { return total_ > 0; }
  int64_t count(breach b) const { return counts_[size_t(b)]; }
  // "stuck note at 3:12.40: 2 voices held ..." for the first breach of each kind.
  const std::vector<std::string>& first_breaches() const { return first_; }
  minute take_minute();
  const minute& overall() const { return overall_; }
  int64_t heap_baseline() const { return heap_baseline_; }
  int64_t rss_baseline() const { return rss_baseline_; }
  const limits& bounds() const { return limits_; }
  float last_peak() const { return last_peak_; }

  // Whether `path` holds exactly one whole chunk of id `id4`; why not in `why`.
  static bool whole_chunk_file(const std::string& path, const char* id4, std::string& why);
  // Leftover temporaries of saves (".saving-") in the folder of `path`.
  static int32_t temporaries_beside(const std::string& path);

 private:
  void report(breach b, double seconds, const std::string& what);

  limits limits_;
  minute now_{};
  minute overall_{};
  int64_t heap_baseline_ = -1, rss_baseline_ = -1;
  float last_peak_ = 0.f;
  std::array<int64_t, size_t(breach::count)> counts_{};
  int64_t total_ = 0;
  std::vector<std::string> first_;
};

// "12:03.25" for a time in seconds.
std::string clock_text(double seconds);

}  // namespace soak
