// vorn-soak: one instance of vorn.so under a seeded random schedule for
// SOAK_MINUTES minutes (30) of real time at 64-frame blocks, its editor open
// on a private Xvfb display, every block checked (tools/soak/soak_checker.h).
// One line a minute, a verdict at the end; exit status 1 on any breach, with
// the seed that replays the run (SOAK_SEED).
//
//   vorn-soak [path/to/vorn.so]      (make soak SOAK_MINUTES=30 SOAK_SEED=N)
//
// SOAK_FREE_RUN=1 plays the blocks back to back instead of at real time:
// the same calls in the same order, so a seed's slow blocks come again in
// a fraction of the time (their figures then include no idle gaps, and the
// slow-block lines give the call's CLOCK_MONOTONIC start, for
// `perf record -k CLOCK_MONOTONIC` and `perf script --time`). Not a pass.
//
// A call over the bound is timed again in a replay of the seed before it
// counts (tools/soak/soak_replay.h). SOAK_BOUND_PERCENT sets the bound as a
// share of the block's duration (50).
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/soak/soak_checker.h"
#include "tools/soak/soak_host.h"
#include "tools/soak/soak_replay.h"
#include "tools/soak/soak_schedule.h"

namespace {

constexpr double default_minutes = 30.0;
constexpr double behind_limit_seconds = 0.25;  // further behind real time: start counting afresh
constexpr int64_t polyphony_period_blocks = 172;  // about four times a second
constexpr int slow_blocks_reported = 60;
constexpr int slow_states_kept = 32;  // SOAK_SLOW_STATES: states saved at the first block of a slow run

double env_number(const char* name, double fallback) {
  const char* text = std::getenv(name);
  if (!text || !*text) return fallback;
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  return end && *end == '\0' && v > 0 ? v : fallback;
}

// SOAK_SLOW_FROM=BLOCK: slow blocks before it are neither reported nor kept.
bool before_slow_from(int64_t block) {
  static const double from = env_number("SOAK_SLOW_FROM", 0.0);
  return double(block) < from;
}

uint64_t seed_of_run() {
  const char* text = std::getenv("SOAK_SEED");
  if (text && *text) return std::strtoull(text, nullptr, 10);
  timespec t{};
  clock_gettime(CLOCK_REALTIME, &t);
  return uint64_t(t.tv_sec) * 1000003u + uint64_t(t.tv_nsec / 1000) % 1000000u;
}

double monotonic() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// This program's own path, for the replay to start it again.
std::string self_path(const char* argv0) {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, size_t(n)) : std::string(argv0);
}

void sleep_until(double when) {
  timespec t{};
  t.tv_sec = time_t(when);
  t.tv_nsec = long((when - double(t.tv_sec)) * 1e9);
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) == EINTR) {
  }
}

// What came before a process call over its bound, for whoever replays the
// seed: the kinds of action in its block and the one before (automation
// counted, with the structural globals' values), and what was sounding
// after it (tools/soak/soak_sound.h).
void report_slow_block(int64_t block, double cpu_seconds, soak::host& h, const std::vector<soak::action>& now,
                       const std::vector<soak::action>& before, bool free_run) {
  static int reported = 0;
  static double worst = 0.0;
  // The first ones (from SOAK_SLOW_FROM on, if set), every one slower than
  // all before it, and every one that took longer than the block lasts.
  if (before_slow_from(block)) return;
  const bool record = cpu_seconds > worst || cpu_seconds > double(soak::block_frames) / soak::sample_rate;
  worst = std::max(worst, cpu_seconds);
  if (++reported > slow_blocks_reported && !record) return;
  std::printf("  slow block %lld (%.3f ms CPU, %lld page faults, %lld pre-emptions) after:", static_cast<long long>(block),
              cpu_seconds * 1e3, static_cast<long long>(h.last_faults()), static_cast<long long>(h.last_switches()));
  for (const auto* list : {&before, &now}) {
    std::array<int, size_t(soak::act::count)> kinds{};
    for (const soak::action& a : *list) ++kinds[size_t(a.kind)];
    for (size_t k = 0; k < kinds.size(); ++k)
      if (kinds[k]) std::printf(" %s %d", soak::act_name(soak::act(k)), kinds[k]);
    for (const soak::action& a : *list)
      if (a.kind == soak::act::automate && (a.a == soak::voices_parameter || a.a == soak::unison_parameter))
        std::printf(" (p%d=%.3f)", a.a, double(a.value));
    std::printf(list == &before ? " | this block:" : "\n");
  }
  std::printf("    sounding: %s\n", h.sound_now().c_str());
  if (free_run) std::printf("    started at %.6f s (CLOCK_MONOTONIC)\n", h.last_start());
}

// SOAK_SLOW_STATES=folder: the state at the first slow block of a run of
// them (the block before was in bound), as slow-BLOCK.vornstate, for
// bench/automation_blocks --state to play the same sound. The save runs
// between blocks, outside the timed call. SOAK_SLOW_FROM=BLOCK keeps (and
// reports) only those from that block on (a slow block late in a long run).
void keep_slow_state(int64_t block, soak::host& h) {
  static int kept = 0;
  const char* folder = std::getenv("SOAK_SLOW_STATES");
  if (!folder || !*folder || kept >= slow_states_kept) return;
  if (before_slow_from(block)) return;
  ++kept;
  const std::string path = std::string(folder) + "/slow-" + std::to_string(block) + ".vornstate";
  const std::string outcome = h.save_state_to(path);
  std::printf("    state %s: %s\n", path.c_str(), outcome.empty() ? "saved" : outcome.c_str());
}

// Which kinds of action the over-bound blocks had in them or in the block
// before, against how often any block has them: a kind behind the slow
// blocks shows a share of them far above its share of all blocks.
struct slow_attribution {
  std::array<int64_t, size_t(soak::act::count)> slow{}, all{};
  int64_t slow_blocks = 0, blocks = 0;

  void add(const std::vector<soak::action>& now, const std::vector<soak::action>& before, bool is_slow) {
    std::array<bool, size_t(soak::act::count)> seen{};
    for (const auto* list : {&now, &before})
      for (const soak::action& a : *list) seen[size_t(a.kind)] = true;
    ++blocks;
    slow_blocks += is_slow ? 1 : 0;
    for (size_t k = 0; k < seen.size(); ++k) {
      if (!seen[k]) continue;
      ++all[k];
      if (is_slow) ++slow[k];
    }
  }
  void print() const {
    if (slow_blocks == 0) return;
    std::printf("over-bound blocks by what came in them or the block before (share of the slow blocks, of all blocks):\n");
    for (size_t k = 0; k < slow.size(); ++k)
      if (slow[k])
        std::printf("  %-14s %6.1f %% of %lld slow, %6.2f %% of all\n", soak::act_name(soak::act(k)),
                    100.0 * double(slow[k]) / double(slow_blocks), static_cast<long long>(slow_blocks),
                    100.0 * double(all[k]) / double(blocks));
  }
};

// SOAK_TRACE=1: every action but automation, idle and MIDI, with its time,
// and the block's peak when it is over 2 (for replays of a seed).
void trace_block(int64_t block, const std::vector<soak::action>& list, const soak::checker& check, double seconds) {
  for (const soak::action& a : list)
    if (a.kind > soak::act::all_notes_off && a.kind != soak::act::automate && a.kind != soak::act::editor_idle)
      std::printf("  %s block %lld: %s %d %d %.2f\n", soak::clock_text(seconds).c_str(), static_cast<long long>(block),
                  soak::act_name(a.kind), a.a, a.b, double(a.value));
  if (check.last_peak() > 2.f)
    std::printf("  %s block %lld: peak %.2f\n", soak::clock_text(seconds).c_str(), static_cast<long long>(block),
                double(check.last_peak()));
}

// "heap 12.31 MB (+0.02), RSS 38.10 MB (-0.11)" at the minute's memory sample.
std::string memory_text(int64_t heap, int64_t rss, const soak::checker& check) {
  if (heap < 0) return "no memory sample";
  char text[128];
  std::snprintf(text, sizeof text, "settled heap %.2f MB (%+.2f), RSS %.2f MB (%+.2f)", double(heap) / 1048576.0,
                double(heap - check.heap_baseline()) / 1048576.0, double(rss) / 1048576.0,
                double(rss - check.rss_baseline()) / 1048576.0);
  return text;
}

void print_minute(int minute_number, double minutes, const soak::minute& m, const soak::checker& check) {
  const double block_ms = check.bounds().block_seconds * 1e3;
  int64_t breaches = 0;
  for (int b = 0; b < int(soak::breach::count); ++b) breaches += check.count(soak::breach(b));
  std::printf("minute %d/%.0f: %lld blocks, process CPU worst %.3f ms (%.0f %% of %.3f ms; 99.9 %% under %.2f ms), wall worst %.3f ms, "
              "peak %.2f, %s, %d stuck-note checks, %d saved files whole, breaches %lld\n",
              minute_number, minutes, static_cast<long long>(m.blocks), m.worst_cpu_seconds * 1e3,
              100.0 * m.worst_cpu_seconds * 1e3 / block_ms, block_ms, m.cpu.percentile(0.999) * 1e3,
              m.worst_wall_seconds * 1e3, double(m.peak), memory_text(m.heap_bytes, m.rss_bytes, check).c_str(),
              m.stuck_checks, m.files_checked, static_cast<long long>(breaches));
  std::fflush(stdout);
}

void print_verdict(uint64_t seed, double minutes, const soak::checker& check, const soak::host& h, int64_t behind,
                   bool free_run) {
  const soak::minute& all = check.overall();
  const double block_ms = check.bounds().block_seconds * 1e3;
  std::printf("actions:");
  for (int k = 0; k < int(soak::act::count); ++k)
    std::printf(" %s %lld%s", soak::act_name(soak::act(k)), static_cast<long long>(h.done().by_kind[size_t(k)]),
                k + 1 < int(soak::act::count) ? "," : "\n");
  std::printf("overall: %lld blocks, process CPU worst %.3f ms (%.0f %% of %.3f ms; bound %.0f %%; 99 %% under %.2f ms, "
              "99.9 %% under %.2f ms), wall worst %.3f ms, "
              "peak %.2f (bound %.0e), %s (first sample heap %.2f MB, RSS %.2f MB; bound +-2 MB), %d stuck-note checks, "
              "%d saved files whole, %lld times behind real time\n",
              static_cast<long long>(all.blocks), all.worst_cpu_seconds * 1e3,
              100.0 * all.worst_cpu_seconds * 1e3 / block_ms, block_ms, 100.0 * check.bounds().time_fraction,
              all.cpu.percentile(0.99) * 1e3,
              all.cpu.percentile(0.999) * 1e3, all.worst_wall_seconds * 1e3, double(all.peak),
              double(check.bounds().peak_bound), memory_text(all.heap_bytes, all.rss_bytes, check).c_str(),
              double(check.heap_baseline()) / 1048576.0, double(check.rss_baseline()) / 1048576.0,
              all.stuck_checks, all.files_checked,
              static_cast<long long>(behind));
  if (!check.failed()) {
    if (free_run) {
      std::printf("soak free run (not at real time): no breach, seed %llu\n", static_cast<unsigned long long>(seed));
      return;
    }
    std::printf("soak PASSED: %.0f minutes, seed %llu\n", minutes, static_cast<unsigned long long>(seed));
    return;
  }
  for (int b = 0; b < int(soak::breach::count); ++b)
    if (const int64_t n = check.count(soak::breach(b)))
      std::printf("  %s: %lld times\n", soak::breach_name(soak::breach(b)), static_cast<long long>(n));
  for (const std::string& first : check.first_breaches()) std::printf("  first %s\n", first.c_str());
  std::printf("soak FAILED: seed %llu (replay: make soak SOAK_SEED=%llu SOAK_MINUTES=%.0f)\n",
              static_cast<unsigned long long>(seed), static_cast<unsigned long long>(seed), minutes);
}

// The run's over-bound calls timed again in a replay of the seed
// (tools/soak/soak_replay.h); the checker then counts only those that were
// over in both plays or that the replay could not play the same.
void judge_over_bound_calls(const soak::over_bound_calls& calls, const soak::replay_request& request,
                            soak::checker& check) {
  const std::vector<soak::timed_block>& over = calls.kept;
  if (over.empty()) return;
  std::printf("replaying the seed to time the %zu over-bound calls again (%s)...\n", over.size(),
              request.paced ? "at real time before each of them" : "back to back");
  if (calls.not_kept > 0)
    std::printf("  %lld more over-bound calls were past the %zu kept for the replay: they count\n",
                static_cast<long long>(calls.not_kept), soak::over_bound_calls::capacity);
  std::fflush(stdout);
  std::vector<soak::timed_block> replay;
  std::string error;
  if (!soak::replay_blocks(request, over, replay, error)) {
    std::printf("replay: %s; every over-bound call counts\n", error.c_str());
    return;
  }
  const double bound = check.bounds().block_seconds * check.bounds().time_fraction;
  const soak::confirmation c = soak::confirm(over, replay, bound);
  std::printf("replay: of the run's %zu over-bound calls, %lld were over again, %lld in bound, %lld played other "
              "samples; the worst of the lesser times %.3f ms (block %lld)\n",
              over.size(), static_cast<long long>(c.again), static_cast<long long>(c.not_again),
              static_cast<long long>(c.different), c.worst_seconds * 1e3, static_cast<long long>(c.worst_block));
  for (size_t i = 0; i < c.run_times.size(); ++i) {
    const soak::timed_block &run = c.run_times[i], &again = c.replay_times[i];
    char replayed[48] = "the replay played other samples";
    if (again.hash == run.hash) std::snprintf(replayed, sizeof replayed, "replay %.3f ms", again.cpu_seconds * 1e3);
    std::printf("  over in both: block %lld at %s, run %.3f ms, %s\n", static_cast<long long>(run.block),
                soak::clock_text(double(run.block) / soak::blocks_per_second).c_str(), run.cpu_seconds * 1e3, replayed);
  }
  check.judge_process_time(c.counted() + calls.not_kept);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string plugin_path = argc > 1 ? argv[1] : VORN_PLUGIN_PATH;
  const double minutes = env_number("SOAK_MINUTES", default_minutes);
  const uint64_t seed = seed_of_run();
  const bool trace = env_number("SOAK_TRACE", 0.0) > 0.0;
  const bool free_run = env_number("SOAK_FREE_RUN", 0.0) > 0.0;
  // A replay (started by a run, see judge_over_bound_calls) plays quietly up
  // to the last block it times again.
  std::vector<soak::timed_block> to_time;
  std::string replay_out;
  const bool replaying = soak::replay_wanted(to_time, replay_out);
  std::printf("soak: %s for %.0f minutes, seed %llu, %d-frame blocks at %.0f Hz%s\n", plugin_path.c_str(), minutes,
              static_cast<unsigned long long>(seed), soak::block_frames, soak::sample_rate,
              replaying ? " (replay)" : "");
  std::fflush(stdout);

  soak::host h;
  std::string error;
  if (!h.start(plugin_path, VORN_SOURCE_DIR "/assets/demo/demo_song.txt", error)) {
    std::fprintf(stderr, "vorn-soak: %s\n", error.c_str());
    return 2;
  }
  soak::schedule plan(seed);
  soak::limits bounds;
  bounds.time_fraction = env_number("SOAK_BOUND_PERCENT", 100.0 * bounds.time_fraction) / 100.0;
  soak::checker check(bounds);
  std::vector<soak::action> actions, previous;
  soak::over_bound_calls over;
  std::vector<soak::timed_block> timed_again;
  timed_again.reserve(to_time.size());
  slow_attribution attribution;
  actions.reserve(1024);
  previous.reserve(1024);

  const int64_t total = int64_t(minutes * 60.0 * soak::blocks_per_second);
  const int64_t per_minute = soak::schedule::minute_blocks();
  const int64_t per_second = int64_t(soak::blocks_per_second);
  const double period = 1.0 / soak::blocks_per_second;
  double deadline = monotonic();
  int64_t behind = 0;
  bool last_slow = false;
  size_t next_to_time = 0;
  for (int64_t block = 0; block < total; ++block) {
    if (replaying && next_to_time >= to_time.size()) break;
    const double seconds = double(block) * period;
    if (block % polyphony_period_blocks == 0) plan.set_pool(h.polyphony(), h.unison_layers());
    plan.next_block(actions);
    for (const soak::action& a : actions) h.apply(a, check, seconds);
    const int64_t slow_before = check.count(soak::breach::process_time);
    const double cpu = h.process(check, seconds);
    const bool slow = check.count(soak::breach::process_time) > slow_before;
    if (replaying) {
      if (block == to_time[next_to_time].block) timed_again.push_back({block, cpu, h.last_hash()});
      while (next_to_time < to_time.size() && to_time[next_to_time].block <= block) ++next_to_time;
    } else {
      if (slow) {
        over.add({block, cpu, h.last_hash()});
        report_slow_block(block, cpu, h, actions, previous, free_run);
        if (!last_slow) keep_slow_state(block, h);
      }
      last_slow = slow;
      attribution.add(actions, previous, slow);
    }
    previous.swap(actions);
    if (trace) trace_block(block, actions, check, seconds);
    if ((block + 1) % per_second == 0) {
      h.forget_requests();
      if (trace) std::printf("  %s RSS %.2f MB, heap %.2f MB\n", soak::clock_text(seconds).c_str(),
                             double(soak::host::resident_bytes()) / 1048576.0,
                             double(soak::host::heap_bytes()) / 1048576.0);
    }
    if (!replaying && (block + 1) % per_minute == 0)
      print_minute(int((block + 1) / per_minute), minutes, check.take_minute(), check);
    // Real time: the block's duration between starts, as a sound card asks.
    // A replay keeps it only just before the blocks it times again.
    deadline += period;
    const double t = monotonic();
    const bool paced = !free_run && (!replaying || (next_to_time < to_time.size() &&
                                                    to_time[next_to_time].block - (block + 1) <= soak::replay_lead_blocks));
    if (!paced) {
      deadline = t;
    } else if (t < deadline) {
      sleep_until(deadline);
    } else if (t - deadline > behind_limit_seconds) {
      deadline = t;
      ++behind;
    }
  }
  if (replaying) {
    std::printf("replay: %zu of %zu blocks timed again\n", timed_again.size(), to_time.size());
    return soak::write_timed_blocks(replay_out, timed_again) ? 0 : 2;
  }
  attribution.print();
  judge_over_bound_calls(over, {self_path(argv[0]), plugin_path, seed, minutes, !free_run}, check);
  print_verdict(seed, minutes, check, h, behind, free_run);
  return check.failed() ? 1 : 0;
}
