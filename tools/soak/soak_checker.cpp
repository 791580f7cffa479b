// Timing: the machine the soak runs on is shared (two cores, builds and a
// fuzz campaign beside it), so a process call that the scheduler pre-empts
// shows wall-clock spikes of other programs' making. Each call is timed by
// both clocks; the 50 % bound is judged on the thread's CPU time
// (CLOCK_THREAD_CPUTIME_ID), which counts only what the call itself ran,
// and the wall-clock worst is reported beside it for the reader to weigh.
//
// Peak: the engine's master gain is at most 0 dB, but 32 voices of a loud
// patch struck together add up (up to 32 times one voice), and the effects
// bring gains of their own that the schedule sets at random: the Limiter's
// make-up reaches +48 dB, the Tone's band +40 dB, the Multiplier's +24 dB,
// and four slots stack them. The first soaks saw 249 (a limited chord with
// +48 dB of make-up). So "bounded" cannot mean "near full scale" here: the
// bound, 1e6 (+120 dBFS), is past anything those gains give to a chord and
// far below where a filter or feedback loop that runs away ends (infinity,
// which the finite check reports too).
#include "tools/soak/soak_checker.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "riff/chunk.h"

namespace soak {

namespace {

constexpr size_t kept_breach_texts = 1;  // per kind: the first one, with its time
constexpr const char* temporary_infix = ".saving-";

}  // namespace

void time_histogram::add(double seconds) {
  const double step = seconds / step_seconds;
  ++counts[size_t(step >= double(steps - 1) ? steps - 1 : (step < 0 ? 0 : int32_t(step)))];
  ++total;
}

double time_histogram::percentile(double fraction) const {
  const double wanted = fraction * double(total);
  int64_t seen = 0;
  for (int32_t i = 0; i < steps; ++i) {
    seen += counts[size_t(i)];
    if (double(seen) >= wanted) return double(i + 1) * step_seconds;
  }
  return double(steps) * step_seconds;
}

const char* breach_name(breach b) {
  static const char* const names[] = {"non-finite sample", "peak", "process time", "stuck note",
                                      "memory growth",     "half-written file", "load of a saved file"};
  static_assert(sizeof names / sizeof names[0] == size_t(breach::count));
  return names[size_t(b)];
}

std::string clock_text(double seconds) {
  if (seconds < 0) seconds = 0;
  const int64_t m = int64_t(seconds / 60.0);
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%05.2f", static_cast<long long>(m), seconds - double(m) * 60.0);
  return text;
}

void checker::report(breach b, double seconds, const std::string& what) {
  ++total_;
  if (counts_[size_t(b)]++ >= int64_t(kept_breach_texts)) return;
  first_.push_back(std::string(breach_name(b)) + " at " + clock_text(seconds) + " (block " +
                   std::to_string(int64_t(seconds / limits_.block_seconds + 0.5)) + "): " + what);
}

void checker::block(const float* left, const float* right, int32_t frames, double cpu_seconds,
                    double wall_seconds, double seconds) {
  float peak = 0.f;
  int32_t bad = -1;
  for (int32_t i = 0; i < frames; ++i) {
    const float l = left[i], r = right[i];
    if (!std::isfinite(l) || !std::isfinite(r)) {
      if (bad < 0) bad = i;
      continue;
    }
    peak = std::max(peak, std::max(std::fabs(l), std::fabs(r)));
  }
  last_peak_ = peak;
  if (bad >= 0) report(breach::not_finite, seconds, "frame " + std::to_string(bad) + " of the block");
  if (peak > limits_.peak_bound) {
    char text[96];
    std::snprintf(text, sizeof text, "%.2f, bound %.1f", double(peak), double(limits_.peak_bound));
    report(breach::peak, seconds, text);
  }
  const double allowed = limits_.block_seconds * limits_.time_fraction;
  if (cpu_seconds > allowed) {
    char text[128];
    std::snprintf(text, sizeof text, "%.3f ms of CPU time (wall %.3f ms), bound %.3f ms", cpu_seconds * 1e3,
                  wall_seconds * 1e3, allowed * 1e3);
    report(breach::process_time, seconds, text);
  }
  for (minute* m : {&now_, &overall_}) {
    ++m->blocks;
    m->cpu.add(cpu_seconds);
    m->worst_cpu_seconds = std::max(m->worst_cpu_seconds, cpu_seconds);
    m->worst_wall_seconds = std::max(m->worst_wall_seconds, wall_seconds);
    m->peak = std::max(m->peak, peak);
  }
}

void checker::judge_process_time(int64_t counted) {
  int64_t& n = counts_[size_t(breach::process_time)];
  counted = std::min(counted, n);
  total_ -= n - counted;
  n = counted;
  // The first raw reading may be one the replay cleared: the soak lists the
  // calls that stand instead.
  const std::string name = breach_name(breach::process_time);
  first_.erase(std::remove_if(first_.begin(), first_.end(),
                              [&](const std::string& text) { return text.compare(0, name.size(), name) == 0; }),
               first_.end());
}

void checker::stuck_voices(int32_t held, int32_t sounding, double seconds) {
  ++now_.stuck_checks;
  ++overall_.stuck_checks;
  if (held > 0)
    report(breach::stuck_note, seconds,
           std::to_string(held) + " voices still held 5 s after all notes off (" + std::to_string(sounding) +
               " sounding)");
}

// Why a fixed state: the instance's memory follows what it is doing. An
// open editor holds its window images at the current content scale (four
// times the pixels at 2x as at 1x), a filled effect slot its delay lines and
// tables, a playing song its player; the schedule changes all of these at
// random, so resident memory read at random moments moves by more than
// 10 MB with no trend, and comparing it with the first minute's highest
// reading only tells which of those happened to be open. A leak is memory
// that stays after the thing that used it is gone: so once a minute the
// schedule brings the instance back to one state (editor closed, song
// stopped, controllers unmapped, every slot emptied twice so that the
// faded-out effects are destroyed, one saved state loaded), lets it run
// silent for a few seconds, and reads memory there. The heap in use
// (mallinfo2) answers "was everything freed"; resident memory is read after
// malloc_trim has handed free pages back, so that the allocator's caching
// does not pass for growth. Both must stay within the slack of the first
// sample, which comes at the end of minute one, when the schedule has done
// every kind of action at least once.
void checker::memory(int64_t heap, int64_t resident, double seconds) {
  now_.heap_bytes = overall_.heap_bytes = heap;
  now_.rss_bytes = overall_.rss_bytes = resident;
  if (heap_baseline_ < 0) {
    heap_baseline_ = heap;
    rss_baseline_ = resident;
    return;
  }
  const int64_t heap_growth = heap - heap_baseline_, rss_growth = resident - rss_baseline_;
  const int64_t slack = limits_.memory_slack_bytes;
  if (std::llabs(heap_growth) > slack || std::llabs(rss_growth) > slack) {
    char text[160];
    std::snprintf(text, sizeof text, "heap %.2f MB (%+.2f MB), resident %.2f MB (%+.2f MB) against the first sample",
                  double(heap) / 1048576.0, double(heap_growth) / 1048576.0, double(resident) / 1048576.0,
                  double(rss_growth) / 1048576.0);
    report(breach::rss, seconds, text);
  }
}

bool checker::whole_chunk_file(const std::string& path, const char* id4, std::string& why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = "cannot be opened";
    return false;
  }
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const riff::chunk_view c = riff::chunk_at(bytes.data(), bytes.size());
  if (!c) {
    why = std::to_string(bytes.size()) + " bytes that hold no whole chunk";
    return false;
  }
  if (std::memcmp(c.data, id4, 4) != 0) {
    why = "a chunk of another kind";
    return false;
  }
  if (c.size != bytes.size()) {
    why = "a chunk of " + std::to_string(c.size) + " bytes in a file of " + std::to_string(bytes.size());
    return false;
  }
  return true;
}

int32_t checker::temporaries_beside(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  int32_t n = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, ec))
    if (entry.path().filename().string().find(temporary_infix) != std::string::npos) ++n;
  return n;
}

void checker::saved(const std::string& path, const char* id4, const std::string& outcome, double seconds) {
  ++now_.files_checked;
  ++overall_.files_checked;
  std::string why;
  if (!outcome.empty()) report(breach::file, seconds, path + ": the save failed: " + outcome);
  else if (!whole_chunk_file(path, id4, why)) report(breach::file, seconds, path + ": " + why);
  if (const int32_t left = temporaries_beside(path))
    report(breach::file, seconds, std::to_string(left) + " temporaries of saves left beside " + path);
}

void checker::loaded(const std::string& path, const std::string& outcome, double seconds) {
  if (!outcome.empty()) report(breach::load, seconds, path + ": " + outcome);
}

minute checker::take_minute() {
  const minute m = now_;
  now_ = minute{};
  return m;
}

}  // namespace soak
