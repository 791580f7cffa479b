// Measurements on rendered audio for tests and benchmarks (never linked into
// the plug-in). Signals are float samples at a known rate.
#pragma once

#include <cstddef>
#include <vector>

namespace analysis {

double rms(const float* x, size_t n);
double peak(const float* x, size_t n);
double mean(const float* x, size_t n);
// Largest |x[i] - x[i-1]|: the click detector.
double max_step(const float* x, size_t n);
bool all_finite(const float* x, size_t n);

// Amplitude of the sinusoid at hz in x (a lock-in over a whole number of
// cycles, Hann weighted): 1.0 for a full-scale sine at hz.
double tone_amplitude(const float* x, size_t n, double rate, double hz);

double amplitude_db(double amplitude);  // 20 log10, floored at -300

// The difference b - a relative to a, in dB of RMS: how far one render
// nulls against another of the same length (-300 when they are equal).
double residual_db(const float* a, const float* b, size_t n);

// First frame whose |x| exceeds threshold, or n when none.
size_t first_above(const float* x, size_t n, double threshold);

}  // namespace analysis
