// Measurements of a room's (or a reverb's) impulse response: decay times per
// octave band from Schroeder's backward integration, and the normalised echo
// density profile of Abel and Huang.
#pragma once

#include <cstddef>
#include <vector>

namespace analysis {

// T60 in seconds of the impulse response h, band-passed to the octave around
// centre_hz (0: the whole band): Schroeder's backward-integrated energy
// ("New Method of Measuring Reverberation Time", JASA 1965), a straight line
// fitted between -5 and -25 dB (T20) and extended to 60 dB; between -5 and
// -15 dB (T10) when the range does not reach -25 dB. 0 when it does not
// reach -15 dB.
double decay_time(const float* h, size_t n, double rate, double centre_hz);

// The octave centres of the usual table, 125 Hz to 8 kHz.
const std::vector<double>& octave_centres();

// Normalised echo density at time t (Abel and Huang, "A Simple, Robust
// Measure of Reverberation Echo Density", AES 2006): the share of samples in
// a 20 ms window around t whose magnitude exceeds the window's standard
// deviation, divided by the Gaussian share erfc(1 / sqrt 2). About 1 for a
// diffuse, noise-like tail; well below 1 for sparse, distinct echoes.
double echo_density(const float* h, size_t n, double rate, double t);

// The first time at or after `from` where the echo density reaches level, or
// a negative value when it never does.
double echo_density_time(const float* h, size_t n, double rate, double level, double from = 0.0);

}  // namespace analysis
