// Alias-to-signal ratio of the band-limited oscillators against naive ones of
// the same kind: one second at 44,100 Hz per waveform and frequency. Then the
// triangle's odd harmonics below 8 kHz against the ideal 8 / (pi^2 k^2), its
// peak and its RMS (ideal 1 and 1 / sqrt 3).
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "synth/dsp/noise_generator.h"
#include "synth/dsp/oscillator.h"
#include "tools/analysis/signal.h"
#include "tools/analysis/spectrum.h"

namespace {

constexpr double rate = 44100.0;
// The staircase normally takes noise levels; here every quarter cycle takes a
// fixed level, so the wave is periodic and its aliasing measurable.
constexpr float stair_levels[4] = {0.9f, -0.3f, 0.5f, -0.8f};
float stair_level_at(double phase) { return stair_levels[int(std::floor(phase * 4)) & 3]; }
constexpr size_t length = 44100;
constexpr size_t skip = 64;  // start-up transient

struct wave_case {
  const char* label;
  int32_t wf;
  float width;
  int32_t saws;  // > 1: multi-ramp
};

std::vector<float> band_limited(const wave_case& c, double hz) {
  synth::noise_generator noise;
  synth::oscillator o;
  o.init(&noise.out_float);
  o.set_waveform(c.wf);
  o.set_pending_width(c.width);
  o.render();  // applies the waveform
  // The width waits for a wrap: take it by one fast cycle, then restart.
  o.set_increment(0.5f);
  o.render();
  o.render();
  o.reset();
  if (c.saws > 1) {
    o.set_saw_count(c.saws);
    o.set_spread(0.5f);
  }
  o.set_increment(float(hz / rate));
  std::vector<float> x(length);
  float level = 0.f;
  o.set_noise_source(&level);
  for (float& v : x) {
    level = stair_level_at(o.phase() + o.increment());  // the quarter this sample enters
    v = o.render();
  }
  return x;
}

// Trivially sampled waveform; the multi-ramp sums naive ramps at the same ratios.
std::vector<float> naive(const wave_case& c, double hz, const synth::oscillator& ratios) {
  std::vector<float> x(length);
  const int32_t n = c.saws > 1 ? c.saws : 1;
  std::vector<double> p(size_t(n), 0.0);
  for (int32_t k = 0; k < n; ++k) p[size_t(k)] = ratios.saw_phase(k);
  for (float& v : x) {
    double sum = 0;
    for (int32_t k = 0; k < n; ++k) {
      const double inc = hz / rate * (n > 1 ? ratios.saw_ratio(k) : 1.0);
      double& q = p[size_t(k)];
      q += inc;
      q -= std::floor(q);
      switch (c.wf) {
        case synth::waveform::pulse: sum += q >= c.width ? 1 : -1; break;
        case synth::waveform::ramp: sum += 2 * q - 1; break;
        case synth::waveform::triangle: sum += std::fabs(0.5 - q) * 4 - 1; break;
        default: sum += stair_level_at(q); break;
      }
    }
    v = float(n > 1 ? sum * ratios.saw_gain() : sum);
  }
  return x;
}

constexpr double harmonics_below_hz = 8000.0;

void triangle_harmonics() {
  std::printf("\ntriangle harmonics against 8 / (pi^2 k^2), dB (odd k below %.0f Hz)\n", harmonics_below_hz);
  const wave_case tri = {"triangle", synth::waveform::triangle, 0.5f, 1};
  for (double hz : {440.0, 880.0, 1760.0}) {
    const std::vector<float> x = band_limited(tri, hz);
    const float* s = x.data() + skip;
    const size_t n = length - skip;
    std::printf("%6.0f Hz:", hz);
    double worst = 0;
    for (int k = 1; k * hz < harmonics_below_hz; k += 2) {
      const double ideal = 8.0 / (M_PI * M_PI * k * k);
      const double db = analysis::amplitude_db(analysis::tone_amplitude(s, n, rate, k * hz) / ideal);
      if (std::fabs(db) > std::fabs(worst)) worst = db;
      std::printf(" h%d %+.2f", k, db);
    }
    std::printf("\n          worst %+.2f dB, peak %.3f, rms %.4f (ideal 1, %.4f)\n", worst, analysis::peak(s, n),
                analysis::rms(s, n), 1.0 / std::sqrt(3.0));
  }
}

}  // namespace

int main() {
  const wave_case cases[] = {
      {"ramp", synth::waveform::ramp, 0.5f, 1},
      {"pulse 0.5", synth::waveform::pulse, 0.5f, 1},
      {"pulse 0.1", synth::waveform::pulse, 0.1f, 1},
      {"triangle", synth::waveform::triangle, 0.5f, 1},
      {"staircase", synth::waveform::staircase, 0.5f, 1},
      {"multi-ramp x7", synth::waveform::ramp, 0.5f, 7},
  };
  std::printf("alias-to-signal ratio, dB (1 s at 44100 Hz; lower is better)\n");
  std::printf("%-14s %7s %12s %9s %12s\n", "waveform", "Hz", "band-limited", "naive", "improvement");
  for (const wave_case& c : cases) {
    for (double hz : {440.0, 880.0, 1760.0, 3520.0, 7040.0}) {
      std::vector<float> bl = band_limited(c, hz);
      synth::noise_generator noise;
      synth::oscillator ratios;  // the same ramp ratios and start phases
      ratios.init(&noise.out_float);
      if (c.saws > 1) {
        ratios.set_saw_count(c.saws);
        ratios.set_spread(0.5f);
      }
      std::vector<float> nv = naive(c, hz, ratios);
      // The multi-ramp's signal is the harmonics of each of its ramps.
      std::vector<double> f0s{hz};
      for (int32_t k = 1; k < c.saws; ++k) f0s.push_back(hz * ratios.saw_ratio(k));
      if (c.saws > 1) f0s[0] = hz * ratios.saw_ratio(0);
      const double a = analysis::alias_to_signal_db(bl.data() + skip, length - skip, rate, f0s);
      const double b = analysis::alias_to_signal_db(nv.data() + skip, length - skip, rate, f0s);
      std::printf("%-14s %7.0f %12.1f %9.1f %12.1f\n", c.label, hz, a, b, b - a);
    }
  }
  triangle_harmonics();
  return 0;
}
