// Per-block cost of automation with a full pool: vorn.so at "Poly 32",
// 32 held notes, 64-frame blocks at 44.1 kHz (the soak's shape), and in
// every block K of the host's 89 parameters set to seeded random values
// through setParameter (K = 0, 1, 4, 16; a chord struck anew every
// --chord blocks). Prints the median, 99th percentile and worst thread CPU
// time of the process call per block, and the share of blocks over the
// soak's bound (half the block, 0.726 ms).
//
//   bench/automation_blocks [--blocks N] [--chord B] [--only K] [--patch SEED] [--param P] [--state FILE]
//                           [--soak SEED --from BLOCK] [--set P=V ...] [--trace MS] [--saws N]
//                           [--pace US] [--plugin path/to/vorn.so]
//
// --only K runs that row alone (for a profiler); --patch SEED (not 0) sets
// every host parameter to a random value first, as the soak's automation
// leaves the sound (without it: the default sound); --param P sets only
// host parameter P, K times a block (the changes of one block coalesce);
// --state FILE loads a saved state first (the soak keeps the sound of its
// slow blocks with SOAK_SLOW_STATES) and keeps its pool: the chord is as
// wide as its voice slots, and its "Voices" setting stays. --soak SEED
// --from BLOCK sets, instead of K random parameters, the automation the
// soak's schedule with that seed sends from that block on (the pool's
// structural globals left out: the state holds the pool), so that a slow
// run of the soak plays again here, in the row "soak". --set P=V (again
// for more) sets parameter P (0..105) to the normalised V after the state:
// one setting of a slow sound changed, to see what it costs. --trace MS
// prints every block that took longer than MS (its number from the row's
// first block). --saws N gives the Ramp waveform N ramps (1..16; the
// instance's own count otherwise, 16 by default). --pace US sleeps US
// microseconds before every block, as a host's audio thread waits for the
// next period: the caches and the core's clock as a real-time host leaves
// them, against the same blocks back to back.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench/plugin_timing.h"
#include "plugin/vst2/tool_request.h"
#include "tools/soak/soak_schedule.h"

namespace {

constexpr int32_t frames = 64;
constexpr int32_t host_parameters = 89;
constexpr int32_t voices_param = 89;
constexpr int32_t voices_steps = 36;  // 0..3 mono, 4..35 Poly 1..32
constexpr int32_t pool = 32;
constexpr int32_t cmd_load_state = 30, cmd_saw_count = 63, cmd_set_saw_count = 64, cmd_slot_count = 67;  // the editor's commands (plugin/synth_command.h)

constexpr double bound_seconds = 0.5 * frames / 44100.0;  // the soak's bound: half the block

struct row_figures {
  double median = 0, p99 = 0, worst = 0;
  double over = 0;  // share of the blocks over bound_seconds
};

uint32_t next_random(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

int32_t command(vsthost::plugin_instance& p, int32_t number, const char* text, std::string& result,
                int32_t argument = 0) {
  plugin::command_request r;
  r.command = number;
  r.text = text;
  r.number = argument;
  p.dispatch(effVendorSpecific, plugin::tool_request_index, plugin::command_request_value, &r);
  result = r.result;
  return r.returned;
}

// The saved state in, its pool's slot count out (0 when it did not load).
int32_t load_state(vsthost::plugin_instance& p, const std::string& path) {
  std::string result;
  command(p, cmd_load_state, path.c_str(), result);
  if (!result.empty()) {
    std::printf("%s: %s\n", path.c_str(), result.c_str());
    return 0;
  }
  return command(p, cmd_slot_count, nullptr, result);
}

// The soak schedule's automation from block `from` on: the schedule runs
// from its start, told the pool its own structural automation gives (as the
// soak reports the instance's back every 172 blocks), so its random draws
// stay the soak's while no state or bank load changed the pool.
class soak_automation {
 public:
  soak_automation(uint64_t seed, int64_t from) : plan_(seed) {
    for (int64_t b = 0; b < from; ++b) step();
  }
  // The automation of the next block, the pool's globals left out.
  void apply(vsthost::plugin_instance& p) {
    step();
    for (const soak::action& a : actions_)
      if (a.kind == soak::act::automate && a.a != soak::voices_parameter && a.a != soak::unison_parameter)
        p.effect()->setParameter(p.effect(), a.a, a.value);
  }

 private:
  void step() {
    if (plan_.block() % 172 == 0) plan_.set_pool(slots_, layers_);
    plan_.next_block(actions_);
    for (const soak::action& a : actions_) {
      if (a.kind != soak::act::automate) continue;
      if (a.a == soak::voices_parameter) {
        const int32_t k = int32_t(a.value * (float(soak::voices_steps - 1) + 0.999f));
        slots_ = k <= 3 ? 1 : k - 3;
      }
      if (a.a == soak::unison_parameter) layers_ = int32_t(a.value * (float(soak::unison_steps - 1) + 0.999f)) + 1;
    }
  }
  soak::schedule plan_;
  std::vector<soak::action> actions_;
  int32_t slots_ = 16, layers_ = 1;
};

row_figures run_row(vsthost::plugin_instance& p, int32_t per_block, int64_t blocks, int64_t chord_every,
                    uint32_t patch_seed, int32_t only_param, int32_t notes, soak_automation* soak_lanes,
                    double trace_over, int32_t pace_us) {
  if (notes == pool)
    p.effect()->setParameter(p.effect(), voices_param, (float(voices_steps - 1) + 0.5f) / (float(voices_steps - 1) + 0.999f));
  for (int32_t i = 0; patch_seed != 0 && i < host_parameters; ++i)
    p.effect()->setParameter(p.effect(), i, float(next_random(patch_seed) % 10000) / 9999.f);
  p.resume();
  std::vector<float> l(frames), r(frames);
  std::vector<double> cpu;
  cpu.reserve(size_t(blocks));
  uint32_t seed = 12345u;
  for (int64_t b = 0; b < blocks; ++b) {
    if (b % chord_every == 0) {
      for (int32_t i = 0; i < notes; ++i) p.queue_midi(0, 0x80, bench::key_of(i), 0);
      for (int32_t i = 0; i < notes; ++i) p.queue_midi(1 + i % (frames - 1), 0x90, bench::key_of(i), 100);
    }
    if (soak_lanes) soak_lanes->apply(p);
    for (int32_t k = 0; k < per_block; ++k) {
      const int32_t drawn = int32_t(next_random(seed) % host_parameters);
      const int32_t index = only_param >= 0 ? only_param : drawn;
      const float value = float(next_random(seed) % 10000) / 9999.f;
      p.effect()->setParameter(p.effect(), index, value);
    }
    if (pace_us > 0) std::this_thread::sleep_for(std::chrono::microseconds(pace_us));
    const double t0 = bench::thread_cpu_seconds();
    p.process(l.data(), r.data(), frames);
    cpu.push_back(bench::thread_cpu_seconds() - t0);
    if (trace_over > 0 && cpu.back() > trace_over) std::printf("  block %lld: %.3f ms\n", static_cast<long long>(b), cpu.back() * 1e3);
  }
  for (int32_t i = 0; i < notes; ++i) p.queue_midi(0, 0x80, bench::key_of(i), 0);
  p.process(l.data(), r.data(), frames);
  p.suspend();
  std::sort(cpu.begin(), cpu.end());
  row_figures f;
  f.median = cpu[cpu.size() / 2];
  f.p99 = cpu[size_t(double(cpu.size()) * 0.99)];
  f.worst = cpu.back();
  f.over = double(cpu.end() - std::upper_bound(cpu.begin(), cpu.end(), bound_seconds)) / double(cpu.size());
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  std::string plugin = VORN_PLUGIN_PATH;
  int64_t blocks = 6000, chord_every = 400;
  int32_t only = -1;
  uint32_t patch_seed = 0;
  int32_t only_param = -1;
  std::string state;
  uint64_t soak_seed = 0;
  double trace_ms = 0.0;
  int32_t saws = 0;
  int32_t pace_us = 0;
  std::vector<std::pair<int32_t, float>> settings;
  int64_t soak_from = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--blocks")) blocks = std::max<int64_t>(100, std::atoll(argv[i + 1]));
    else if (!std::strcmp(argv[i], "--chord")) chord_every = std::max<int64_t>(1, std::atoll(argv[i + 1]));
    else if (!std::strcmp(argv[i], "--only")) only = std::atoi(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--plugin")) plugin = argv[i + 1];
    else if (!std::strcmp(argv[i], "--param")) only_param = std::atoi(argv[i + 1]) % host_parameters;
    else if (!std::strcmp(argv[i], "--state")) state = argv[i + 1];
    else if (!std::strcmp(argv[i], "--set") && std::strchr(argv[i + 1], '='))
      settings.emplace_back(std::atoi(argv[i + 1]), std::strtof(std::strchr(argv[i + 1], '=') + 1, nullptr));
    else if (!std::strcmp(argv[i], "--saws")) saws = std::clamp(std::atoi(argv[i + 1]), 1, 16);
    else if (!std::strcmp(argv[i], "--trace")) trace_ms = std::atof(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--pace")) pace_us = std::clamp(std::atoi(argv[i + 1]), 0, 100000);
    else if (!std::strcmp(argv[i], "--soak")) soak_seed = std::strtoull(argv[i + 1], nullptr, 10);
    else if (!std::strcmp(argv[i], "--from")) soak_from = std::max<int64_t>(0, std::atoll(argv[i + 1]));
    else if (!std::strcmp(argv[i], "--patch")) patch_seed = uint32_t(std::strtoul(argv[i + 1], nullptr, 10));
  }
  bench::private_home();
  std::printf("%s, %d-frame blocks, a new chord every %lld blocks, %lld blocks a row, %s\n",
              state.empty() ? "32 held notes at Poly 32" : "a chord as wide as the state's pool", frames,
              static_cast<long long>(chord_every), static_cast<long long>(blocks),
              !state.empty() ? state.c_str() : patch_seed ? "random sound" : "default sound");
  std::printf("%-28s %10s %10s %10s %10s\n", "parameters set per block", "median ms", "p99 ms", "worst ms", "over %");
  for (int32_t k : {0, 1, 4, 16}) {
    if (only >= 0 && k != only) continue;
    if (soak_seed != 0 && k != 0) continue;  // the soak's automation stands for the K rows
    vsthost::plugin_library lib;
    vsthost::plugin_instance p;
    if (!bench::open_plugin(plugin.c_str(), lib, p)) return 1;
    p.set_block_size(frames);
    const int32_t notes = state.empty() ? pool : load_state(p, state);
    if (notes <= 0) return 1;
    for (const auto& [index, value] : settings) p.effect()->setParameter(p.effect(), index, value);
    std::string ignored;
    if (saws > 0) command(p, cmd_set_saw_count, nullptr, ignored, saws);
    if (k == 0 || only >= 0 || soak_seed != 0)
      std::printf("(%d notes, %d ramps to a Ramp oscillator)\n", int(notes), int(command(p, cmd_saw_count, nullptr, ignored)));
    std::unique_ptr<soak_automation> soak_lanes;
    if (soak_seed != 0) soak_lanes = std::make_unique<soak_automation>(soak_seed, soak_from);
    const row_figures f = run_row(p, k, blocks, chord_every, patch_seed, only_param, notes, soak_lanes.get(), trace_ms * 1e-3,
                                  pace_us);
    if (soak_lanes)
      std::printf("%-28s %10.3f %10.3f %10.3f %10.2f\n", "soak", f.median * 1e3, f.p99 * 1e3, f.worst * 1e3, 100.0 * f.over);
    else
      std::printf("%-28d %10.3f %10.3f %10.3f %10.2f\n", k, f.median * 1e3, f.p99 * 1e3, f.worst * 1e3, 100.0 * f.over);
  }
  return 0;
}
