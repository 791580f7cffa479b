// Measuring the fixed-point voice filters with sine probes.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "synth/dsp/cutoff_table.h"
#include "tools/analysis/signal.h"

namespace filter_probe {

constexpr double rate = 44100.0;
constexpr double unit = 4194304.0;  // filter signal: 2^22 per unit
constexpr double probe_level = 0.25;

// "Frequency" in the voice's fixed point (v * 2^29) for a cutoff in Hz:
// the filter takes frequency >> 15 as 1/128 semitone above the table base.
inline int32_t frequency_for_hz(double hz) {
  double c = 1536.0 * std::log2(hz / synth::cutoff_table::base_hz);
  return int32_t(std::lround(c)) << 15;
}

// The cutoff table at the probe rate, built once.
inline const synth::cutoff_table& table_44k() {
  static const synth::cutoff_table t = [] {
    synth::cutoff_table c;
    c.init(rate);
    return c;
  }();
  return t;
}

// Frequency a coefficient of the table stands for: f = 2 sin(pi fc / (2 fs)).
inline double hz_of_coefficient(int32_t f, double sample_rate = rate) {
  return std::asin(f / 2147483648.0) * 2.0 * sample_rate / std::numbers::pi;
}

// Gain in dB of a configured filter (taken by value: each probe starts from
// its state) for a sine at hz, measured after the filter has settled.
template <class Filter>
double response_db(Filter filter, double hz) {
  const size_t settle = size_t(0.25 * rate), measure = size_t(0.25 * rate);
  std::vector<float> out(measure);
  const double w = 2.0 * std::numbers::pi * hz / rate;
  for (size_t i = 0; i < settle + measure; ++i) {
    int32_t x = int32_t(std::lround(probe_level * unit * std::sin(w * double(i))));
    int32_t y = filter.process(x);
    if (i >= settle) out[i - settle] = float(y / unit);
  }
  double a = analysis::tone_amplitude(out.data(), out.size(), rate, hz);
  return analysis::amplitude_db(a / probe_level);
}

// Stop-band slope in dB per octave between hz and 2 hz (positive = the gain
// falls towards the higher frequency).
template <class Filter>
double slope_db_per_octave(const Filter& filter, double hz) {
  return response_db(filter, hz) - response_db(filter, 2.0 * hz);
}

// Probe frequency (quarter-semitone grid over +-1 octave around centre_hz)
// with the largest (peak = true) or smallest gain.
template <class Filter>
double extreme_hz(const Filter& filter, double centre_hz, bool peak) {
  double best_hz = centre_hz, best_db = peak ? -1e9 : 1e9;
  for (int k = -48; k <= 48; ++k) {
    double hz = centre_hz * std::exp2(k / 48.0);
    double db = response_db(filter, hz);
    if (peak ? db > best_db : db < best_db) best_db = db, best_hz = hz;
  }
  return best_hz;
}

inline double semitones(double hz, double reference_hz) { return 12.0 * std::log2(hz / reference_hz); }

// Frequency of a ringing signal from its upward zero crossings.
inline double ring_hz(const std::vector<float>& x) {
  size_t first = 0, last = 0, count = 0;
  for (size_t i = 1; i < x.size(); ++i)
    if (x[i - 1] < 0.f && x[i] >= 0.f) {
      if (count == 0) first = i;
      last = i;
      ++count;
    }
  return count > 1 ? double(count - 1) * rate / double(last - first) : 0.0;
}

}  // namespace filter_probe
