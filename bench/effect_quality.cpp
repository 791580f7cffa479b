// What the effects sound like, in numbers: the Reverb's decay time per
// octave band (Schroeder integration, T20) and its echo density (Abel and
// Huang) for both algorithms and a few settings, and the aliasing of the
// Clipper and the Rectifier on a 5 kHz sine with oversampling off and on.
#include <cmath>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "bench/fresh_effect.h"
#include "fx/registry.h"
#include "platform/fp_mode.h"
#include "tools/analysis/room.h"
#include "tools/analysis/spectrum.h"

namespace {

constexpr float rate = 44100.f;

std::unique_ptr<fx::effect> make(const char* name, const std::vector<std::pair<int, float>>& settings) {
  auto e = fresh_effect(name, rate);
  for (auto [i, v] : settings) e->set_value(i, v);
  return e;
}

void run(fx::effect& e, std::vector<float>& l, std::vector<float>& r) {
  platform::scoped_fp_mode mode;
  for (size_t at = 0; at < l.size(); at += 256) {
    const int n = int(std::min<size_t>(256, l.size() - at));
    float* ch[2] = {l.data() + at, r.data() + at};
    e.follow_rate(rate, n);
    e.run({ch, ch, n, nullptr}, true);
  }
}

void reverb_row(const char* label, const std::vector<std::pair<int, float>>& settings, double seconds) {
  auto e = make("Reverb", settings);
  std::vector<float> l(size_t(seconds * rate)), r(l.size());
  l[0] = r[0] = 1.f;
  run(*e, l, r);
  std::printf("%-30s %5.2f", label, analysis::decay_time(l.data(), l.size(), rate, 0));
  for (double c : analysis::octave_centres()) std::printf(" %5.2f", analysis::decay_time(l.data(), l.size(), rate, c));
  std::printf("   %4.2f %4.2f %4.2f  %5.1f\n", analysis::echo_density(l.data(), l.size(), rate, 0.02),
              analysis::echo_density(l.data(), l.size(), rate, 0.05), analysis::echo_density(l.data(), l.size(), rate, 0.5),
              analysis::echo_density_time(l.data(), l.size(), rate, 0.9) * 1000);
}

double alias_db(const char* name, const std::vector<std::pair<int, float>>& settings) {
  auto e = make(name, settings);
  std::vector<float> l(size_t(1.6 * rate)), r(l.size());
  for (size_t i = 0; i < l.size(); ++i) l[i] = r[i] = float(0.9 * std::sin(2 * M_PI * 5000.0 * double(i) / rate));
  run(*e, l, r);
  return analysis::alias_to_signal_db(l.data() + 4096, 65536, rate, 5000.0);
}

}  // namespace

int main() {
  std::printf("Reverb impulse response, Mix 1 (wet only), 44100 Hz\n");
  std::printf("%-30s %5s", "setting", "T60");
  for (double c : analysis::octave_centres()) std::printf(" %5.0f", c);
  std::printf("   echo density at    NED>=0.9\n%-30s %5s", "", "all");
  for (size_t i = 0; i < analysis::octave_centres().size(); ++i) std::printf(" %5s", "Hz");
  std::printf("   20ms 50ms 0.5s  at ms\n");
  reverb_row("defaults (Network, 6 elements)", {{0, 1.f}}, 8);
  reverb_row("Algorithm 0 (Ring)", {{0, 1.f}, {13, 0.f}}, 8);
  reverb_row("Decay 0.3", {{0, 1.f}, {16, 0.3f}}, 6);
  reverb_row("Decay 0.9", {{0, 1.f}, {16, 0.9f}}, 30);
  reverb_row("Size 1", {{0, 1.f}, {15, 1.f}}, 20);
  reverb_row("High 0.5, Low 0.3", {{0, 1.f}, {23, 0.5f}, {22, 0.3f}}, 8);
  reverb_row("Density 16", {{0, 1.f}, {14, 16.f}}, 8);
  reverb_row("Density 2", {{0, 1.f}, {14, 2.f}}, 8);

  std::printf("\nAliasing of a 5 kHz sine at 0.9 (power off the harmonics / on them), 44100 Hz\n");
  std::printf("%-34s %14s %14s\n", "", "oversample off", "oversample on");
  for (float clip : {0.75f, 0.5f}) {
    char label[64];
    std::snprintf(label, sizeof label, "Clipper, Clip %.2f (%.0f dB)", double(clip), double((1 - clip) * -48));
    std::printf("%-34s %11.1f dB %11.1f dB\n", label, alias_db("Clipper", {{1, clip}, {3, 0.f}}),
                alias_db("Clipper", {{1, clip}, {3, 1.f}}));
  }
  std::printf("%-34s %11.1f dB %11.1f dB\n", "Rectifier, Depth 1, Positive", alias_db("Rectifier", {{2, 0.f}}),
              alias_db("Rectifier", {{2, 1.f}}));
  return 0;
}
