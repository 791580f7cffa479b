// Shared laws of the effects: the time coefficient, the displays of times,
// decibels and frequencies, and the rising curves behind knob mappings.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdio>

namespace fx {

// 1 - 0.01^(1 / (T * rate)): the per-sample coefficient of a one-pole that
// covers 99 % of a step in T seconds. 1 for T <= 0.
inline float time_coefficient(float seconds, float rate) {
  if (!(seconds * rate > 0.f)) return 1.f;
  return 1.f - std::pow(0.01f, 1.f / (seconds * rate));
}

// "Off" for 0, otherwise the time in s, ms (from 1 ms) or us with 0, 1 or 2
// decimals for values from 100, from 10, and below.
inline void format_time(float seconds, char* text, size_t size) {
  if (seconds == 0.f) {
    std::snprintf(text, size, "Off");
    return;
  }
  const char* unit = "s";
  float v = seconds;
  if (seconds < 1.f && seconds >= 0.001f) {
    unit = "ms";
    v = seconds * 1000.f;
  } else if (seconds < 0.001f) {
    unit = "us";
    v = seconds * 1.0e6f;
  }
  const int decimals = v >= 100.f ? 0 : (v >= 10.f ? 1 : 2);
  char pattern[16];
  std::snprintf(pattern, sizeof pattern, "%%0.%if %%s", decimals);
  std::snprintf(text, size, pattern, double(v), unit);
}

// A value for display with -0 turned into +0, so "-0.0 dB" reads "+0.0 dB" or "0.0 dB".
inline double shown(float v) { return double(v) + 0.0; }

// 10^(db / 20).
inline float db_to_gain(float db) { return std::pow(10.f, db * 0.05f); }

// The knob curves p(v) of the mappings: cubes for frequencies and rates (about
// as even per octave as a polynomial gets), squares for times.
inline float cube(float v) { return v * v * v; }
inline float square(float v) { return v * v; }

// x / (|x| - 1.5) * -0.5: a curve from 0 to 1 over x in 0..1, gentle at the
// start and steep at the end (the shaping of rates, jitter and dither).
inline float soft_rise(float x) { return x / (std::fabs(x) - 1.5f) * -0.5f; }

}  // namespace fx
