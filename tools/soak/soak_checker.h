// What the soak holds the instance to, block by block: finite samples, a
// bounded peak, the process call's CPU time within half the block, no voice
// held after all notes off, resident memory flat once settled, every saved
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
  double rss_settle_seconds = 60.0;    // the instance's memory is in place by then
  int64_t rss_slack_bytes = 2 << 20;   // afterwards it grows no more than this past the baseline
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
  int64_t rss_bytes = 0;
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
  // Resident memory. The baseline is the highest sample of the first
  // rss_settle_seconds, in which the schedule has done everything once (the
  // editor at its largest scale, every effect in a slot); no later sample may
  // exceed it by more than the slack. Less is no breach: a closed editor or
  // an emptied slot gives memory back.
  void rss(int64_t bytes, double seconds);
  // A save the instance reported (`outcome` empty = success): the file must
  // be one whole chunk of id `id4`, and no temporary of a save may be left
  // beside it.
  void saved(const std::string& path, const char* id4, const std::string& outcome, double seconds);
  // A load of a file this soak saved whole must succeed.
  void loaded(const std::string& path, const std::string& outcome, double seconds);

  bool failed() const { return total_ > 0; }
  int64_t count(breach b) const { return counts_[size_t(b)]; }
  // "stuck note at 3:12.40: 2 voices held ..." for the first breach of each kind.
  const std::vector<std::string>& first_breaches() const { return first_; }
  minute take_minute();
  const minute& overall() const { return overall_; }
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
  int64_t rss_baseline_ = -1;
  float last_peak_ = 0.f;
  std::array<int64_t, size_t(breach::count)> counts_{};
  int64_t total_ = 0;
  std::vector<std::string> first_;
};

// "12:03.25" for a time in seconds.
std::string clock_text(double seconds);

}  // namespace soak
