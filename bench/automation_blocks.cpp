// Per-block cost of automation with a full pool: vorn.so at "Poly 32",
// 32 held notes, 64-frame blocks at 44.1 kHz (the soak's shape), and in
// every block K of the host's 89 parameters set to seeded random values
// through setParameter (K = 0, 1, 4, 16; a chord struck anew every
// --chord blocks). Prints the median, 99th percentile and worst thread CPU
// time of the process call per block; the soak's bound is half the block,
// 0.726 ms.
//
//   bench/automation_blocks [--blocks N] [--chord B] [--only K] [--patch SEED] [--param P] [--plugin path/to/vorn.so]
//
// --only K runs that row alone (for a profiler); --patch SEED (not 0) sets
// every host parameter to a random value first, as the soak's automation
// leaves the sound (without it: the default sound); --param P sets only
// host parameter P, K times a block (the changes of one block coalesce).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/plugin_timing.h"

namespace {

constexpr int32_t frames = 64;
constexpr int32_t host_parameters = 89;
constexpr int32_t voices_param = 89;
constexpr int32_t voices_steps = 36;  // 0..3 mono, 4..35 Poly 1..32
constexpr int32_t pool = 32;

struct row_figures {
  double median = 0, p99 = 0, worst = 0;
};

uint32_t next_random(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

row_figures run_row(vsthost::plugin_instance& p, int32_t per_block, int64_t blocks, int64_t chord_every,
                    uint32_t patch_seed, int32_t only_param) {
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
      for (int32_t i = 0; i < pool; ++i) p.queue_midi(0, 0x80, bench::key_of(i), 0);
      for (int32_t i = 0; i < pool; ++i) p.queue_midi(1 + i, 0x90, bench::key_of(i), 100);
    }
    for (int32_t k = 0; k < per_block; ++k) {
      const int32_t drawn = int32_t(next_random(seed) % host_parameters);
      const int32_t index = only_param >= 0 ? only_param : drawn;
      const float value = float(next_random(seed) % 10000) / 9999.f;
      p.effect()->setParameter(p.effect(), index, value);
    }
    const double t0 = bench::thread_cpu_seconds();
    p.process(l.data(), r.data(), frames);
    cpu.push_back(bench::thread_cpu_seconds() - t0);
  }
  for (int32_t i = 0; i < pool; ++i) p.queue_midi(0, 0x80, bench::key_of(i), 0);
  p.process(l.data(), r.data(), frames);
  p.suspend();
  std::sort(cpu.begin(), cpu.end());
  row_figures f;
  f.median = cpu[cpu.size() / 2];
  f.p99 = cpu[size_t(double(cpu.size()) * 0.99)];
  f.worst = cpu.back();
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  std::string plugin = VORN_PLUGIN_PATH;
  int64_t blocks = 6000, chord_every = 400;
  int32_t only = -1;
  uint32_t patch_seed = 0;
  int32_t only_param = -1;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--blocks")) blocks = std::max<int64_t>(100, std::atoll(argv[i + 1]));
    else if (!std::strcmp(argv[i], "--chord")) chord_every = std::max<int64_t>(1, std::atoll(argv[i + 1]));
    else if (!std::strcmp(argv[i], "--only")) only = std::atoi(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--plugin")) plugin = argv[i + 1];
    else if (!std::strcmp(argv[i], "--param")) only_param = std::atoi(argv[i + 1]) % host_parameters;
    else if (!std::strcmp(argv[i], "--patch")) patch_seed = uint32_t(std::strtoul(argv[i + 1], nullptr, 10));
  }
  bench::private_home();
  std::printf("%d held notes at Poly 32, %d-frame blocks, a new chord every %lld blocks, %lld blocks a row, %s\n",
              pool, frames, static_cast<long long>(chord_every), static_cast<long long>(blocks),
              patch_seed ? "random sound" : "default sound");
  std::printf("%-28s %10s %10s %10s\n", "parameters set per block", "median ms", "p99 ms", "worst ms");
  for (int32_t k : {0, 1, 4, 16}) {
    if (only >= 0 && k != only) continue;
    vsthost::plugin_library lib;
    vsthost::plugin_instance p;
    if (!bench::open_plugin(plugin.c_str(), lib, p)) return 1;
    p.set_block_size(frames);
    const row_figures f = run_row(p, k, blocks, chord_every, patch_seed, only_param);
    std::printf("%-28d %10.3f %10.3f %10.3f\n", k, f.median * 1e3, f.p99 * 1e3, f.worst * 1e3);
  }
  return 0;
}
