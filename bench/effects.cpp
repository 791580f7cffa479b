// Cost of every effect in ns per stereo sample at 44.1 kHz (blocks of 256
// frames of full-scale noise, default settings), with oversampling off and
// on where an effect has the switch, and the chain of four slots. Then the
// cost per sample in the 1st second of silence after a burst and in the
// slowest of the next 29, with flush-to-zero (as every processing call runs)
// and without it: flat figures mean no denormal slowdown.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/fresh_effect.h"
#include "fx/chain.h"
#include "fx/registry.h"
#include "platform/fp_mode.h"

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace {

constexpr float rate = 44100.f;
constexpr int block = 256;

std::vector<float> noise(size_t n, uint32_t seed) {
  std::vector<float> v(n);
  for (float& s : v) {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    s = float(int32_t(seed)) * (1.f / 2147483648.f);
  }
  return v;
}

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// ns per stereo sample of `frames` through process(l, r, n) in blocks: the
// median block of each run, the best of five runs (the machine is shared, and
// other work only ever makes a block slower).
template <typename Process>
double cost(size_t frames, const std::vector<float>& l0, const std::vector<float>& r0, Process&& process) {
  std::vector<float> l(block), r(block);
  std::vector<double> blocks;
  double best = 1e30;
  for (int run = 0; run < 5; ++run) {
    blocks.clear();
    for (size_t at = 0; at < frames; at += block) {
      std::memcpy(l.data(), l0.data() + at % l0.size(), sizeof(float) * block);
      std::memcpy(r.data(), r0.data() + at % r0.size(), sizeof(float) * block);
      const double t0 = now();
      process(l.data(), r.data(), block);
      blocks.push_back((now() - t0) / block * 1e9);
    }
    std::nth_element(blocks.begin(), blocks.begin() + long(blocks.size() / 2), blocks.end());
    best = std::min(best, blocks[blocks.size() / 2]);
  }
  return best;
}

std::unique_ptr<fx::effect> make(const char* name) { return fresh_effect(name, rate); }

void run_effect(fx::effect& e, float* l, float* r, int n) {
  float* ch[2] = {l, r};
  e.follow_rate(rate, n);
  e.run({ch, ch, n, nullptr}, true);
}

int oversample_index(const std::string& name) {
  if (name == "Clipper" || name == "Multiplier") return 3;
  if (name == "Rectifier") return 2;
  return -1;
}

}  // namespace

int main() {
  const std::vector<float> nl = noise(1 << 16, 1), nr = noise(1 << 16, 2);
  const size_t frames = size_t(rate);  // one second per run
  std::printf("ns per stereo sample at 44100 Hz (default settings, full-scale noise, blocks of %d)\n", block);
  std::printf("%-12s %12s %12s\n", "effect", "oversample", "oversample");
  std::printf("%-12s %12s %12s\n", "", "off", "on");
  platform::scoped_fp_mode mode;
  for (const fx::registry_entry* r = fx::registry_begin(); r != fx::registry_end(); ++r) {
    auto e = make(r->name);
    const double off = cost(frames, nl, nr, [&](float* l, float* rr, int n) { run_effect(*e, l, rr, n); });
    const int os = oversample_index(r->name);
    if (os < 0) {
      std::printf("%-12s %12.1f %12s\n", r->name, off, "");
      continue;
    }
    e->set_value(os, 1.f);
    const double on = cost(frames, nl, nr, [&](float* l, float* rr, int n) { run_effect(*e, l, rr, n); });
    std::printf("%-12s %12.1f %12.1f\n", r->name, off, on);
  }
  {
    platform::lock lock;
    fx::chain chain(lock);
    const char* four[4] = {"Reverb", "mDelay", "Compressor", "Phaser"};
    for (int i = 0; i < 4; ++i) chain.set_effect(i, four[i]);
    const double c = cost(frames, nl, nr, [&](float* l, float* rr, int n) { chain.run(l, rr, n, rate); });
    std::printf("%-12s %12.1f   (Reverb, mDelay, Compressor, Phaser in the four slots)\n", "chain of 4", c);
  }

  std::printf("\nns per sample in the 1st second of silence after 0.5 s of noise, and in the slowest of\n"
              "the 2nd to 30th (the fastest block of each second)\n");
  std::printf("%-12s %10s %10s %12s %10s\n", "effect", "FTZ: 1st", "slowest", "no FTZ: 1st", "slowest");
  const std::vector<float> silence(1 << 16, 0.f);
  for (const fx::registry_entry* r = fx::registry_begin(); r != fx::registry_end(); ++r) {
    double figures[4] = {};
    for (int ftz = 1; ftz >= 0; --ftz) {
      unsigned saved = 0;
#if defined(__SSE__) || defined(__x86_64__)
      saved = _mm_getcsr();
      _mm_setcsr(ftz ? (saved | 0x8040u) : (saved & ~0x8040u));
#endif
      auto e = make(r->name);
      cost(frames / 2, nl, nr, [&](float* l, float* rr, int n) { run_effect(*e, l, rr, n); });
      // The fastest block of each second: other work on a shared machine only
      // ever slows a block down, while denormals slow every block they fill.
      double first = 0, last = 0;
      std::vector<double> blocks;
      std::vector<float> l(block), rr(block);
      for (int second = 1; second <= 30; ++second) {
        blocks.clear();
        for (size_t at = 0; at < frames; at += block) {
          std::memset(l.data(), 0, sizeof(float) * block);
          std::memset(rr.data(), 0, sizeof(float) * block);
          const double t0 = now();
          run_effect(*e, l.data(), rr.data(), block);
          blocks.push_back((now() - t0) / block * 1e9);
        }
        const double ns = *std::min_element(blocks.begin(), blocks.end());
        if (second == 1) first = ns;
        else last = std::max(last, ns);
      }
      figures[ftz ? 0 : 2] = first;
      figures[ftz ? 1 : 3] = last;
#if defined(__SSE__) || defined(__x86_64__)
      _mm_setcsr(saved);
#endif
    }
    std::printf("%-12s %10.1f %10.1f %12.1f %10.1f\n", r->name, figures[0], figures[1], figures[2], figures[3]);
  }
  return 0;
}
