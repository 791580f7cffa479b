// What the plug-in benchmarks share: a private home for the plug-ins' files,
// opening a plug-in through its VST entry as vorn-render does (512-frame
// blocks at 44.1 kHz), and the CPU time of processReplacing block by block,
// each block counted with the least it took in a few identical runs (on a
// machine shared with other work, the slower runs of a block measure the
// neighbours).
#pragma once

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tools/vsthost/plugin_instance.h"
#include "tools/vsthost/plugin_library.h"

namespace bench {

constexpr int32_t sample_rate = 44100;
constexpr int32_t block = 512;

inline double thread_cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

struct measurement {
  double realtime = 0.0;  // audio seconds per CPU second
  double rms = 0.0;       // of the left channel, to show that it sounded
};

// Queues the MIDI of block b (0 = the first) before it is processed; the
// last call, with b = blocks, ends every note.
using block_events = std::function<void(vsthost::plugin_instance&, int64_t b, int64_t blocks)>;

// CPU seconds of each block of one run from the first note.
inline std::vector<double> play_once(vsthost::plugin_instance& p, const block_events& events, double seconds,
                                     double& rms) {
  p.resume();
  std::vector<float> l(block), r(block);
  const int64_t blocks = std::max<int64_t>(1, int64_t(seconds * sample_rate / block));
  std::vector<double> cpu(size_t(blocks), 0.0);
  double sum = 0.0;
  for (int64_t b = 0; b < blocks; ++b) {
    events(p, b, blocks);
    const double t0 = thread_cpu_seconds();
    p.process(l.data(), r.data(), block);
    cpu[size_t(b)] = thread_cpu_seconds() - t0;
    for (float x : l) sum += double(x) * x;
  }
  events(p, blocks, blocks);
  p.process(l.data(), r.data(), block);
  p.suspend();
  rms = std::sqrt(sum / double(blocks * block));
  return cpu;
}

inline measurement play(vsthost::plugin_instance& p, const block_events& events, double seconds, int32_t repeats) {
  std::vector<double> best;
  measurement m;
  for (int32_t k = 0; k < repeats; ++k) {
    const std::vector<double> cpu = play_once(p, events, seconds, m.rms);
    if (best.empty()) best = cpu;
    for (size_t b = 0; b < best.size(); ++b) best[b] = std::min(best[b], cpu[b]);
  }
  double total = 0.0;
  for (double c : best) total += c;
  m.realtime = total > 0.0 ? double(best.size()) * block / sample_rate / total : 0.0;
  return m;
}

// Keys 36, 43, 50, ... wrapped into five octaves: distinct for up to 60 notes.
inline uint8_t key_of(int32_t i) { return uint8_t(36 + (i * 7) % 60); }

// `notes` keys struck in the first block and held to the end.
inline block_events held_notes(int32_t notes) {
  return [notes](vsthost::plugin_instance& p, int64_t b, int64_t blocks) {
    if (b == 0)
      for (int32_t i = 0; i < notes; ++i) p.queue_midi(0, 0x90, key_of(i), 100);
    if (b == blocks)
      for (int32_t i = 0; i < notes; ++i) p.queue_midi(0, 0x80, key_of(i), 0);
  };
}

inline bool open_plugin(const char* path, vsthost::plugin_library& lib, vsthost::plugin_instance& p) {
  std::string error;
  if (!lib.open(path, error) || !p.create(lib, error)) {
    std::printf("%s: %s\n", path, error.c_str());
    return false;
  }
  p.set_sample_rate(sample_rate);
  p.set_block_size(block);
  return true;
}

// A vorn instance; `reference` selects the reference engine for it (the
// engine is chosen when the instance is created).
inline bool open_vorn(const char* path, vsthost::plugin_library& lib, vsthost::plugin_instance& p, bool reference) {
  if (reference)
    setenv("VORN_ENGINE", "reference", 1);
  else
    unsetenv("VORN_ENGINE");
  const bool ok = open_plugin(path, lib, p);
  unsetenv("VORN_ENGINE");
  return ok;
}

// Both plug-ins write user files (amsynth its banks); a private home keeps
// them away from the user's.
inline void private_home() {
  char pattern[] = "/tmp/vorn-bench-XXXXXX";
  const char* root = mkdtemp(pattern);
  if (!root) return;
  const std::filesystem::path home(root);
  std::filesystem::create_directories(home / ".config");
  std::filesystem::create_directories(home / ".local/share");
  std::filesystem::create_directories(home / "vorn/data");
  std::filesystem::create_directories(home / "vorn/cache");
  setenv("HOME", root, 1);
  setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
  setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
  setenv("VORN_DATA_DIR", (home / "vorn/data/").c_str(), 1);
  setenv("VORN_CACHE_DIR", (home / "vorn/cache/").c_str(), 1);
}

inline double ns_per_voice_sample(const measurement& m, int32_t voices) {
  return m.realtime > 0.0 && voices > 0 ? 1e9 / (m.realtime * sample_rate * voices) : 0.0;
}

}  // namespace bench
