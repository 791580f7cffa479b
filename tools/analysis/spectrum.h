// Spectral measurements for tests and benchmarks (FFTW): windowed magnitude
// spectra, precise fundamental frequency, alias-to-signal ratio.
#pragma once

#include <cstddef>
#include <vector>

namespace analysis {

// 4-term Blackman-Harris window of n points (sidelobes below -92 dB, main lobe
// +-4 bins).
std::vector<double> blackman_harris(size_t n);
constexpr int blackman_harris_half_width = 4;  // bins

// Magnitude of bins 0..n/2 of the Blackman-Harris windowed signal, scaled so
// that a full-scale sinusoid centred on a bin reads 1.0. Bin k is k * rate / n Hz.
std::vector<double> magnitude_spectrum(const float* x, size_t n);

// Fundamental frequency of a periodic tone near approx_hz (within +-6 %):
// the FFT peak refined by interpolation, then by the phase drift of the
// fundamental between the two halves of the signal. With >= 1 s of a steady
// tone from 20 Hz to 10 kHz, well within 0.01 cent. Returns 0 without a peak.
double fundamental_hz(const float* x, size_t n, double rate, double approx_hz);

// 10 log10(power away from the harmonics of f0 / power on them), in dB. Bins
// within the window's main lobe of k * f0 (k >= 1, below rate / 2) count as
// signal; the DC lobe counts as neither.
double alias_to_signal_db(const float* x, size_t n, double rate, double f0);

// The same with several fundamentals (a sum of detuned tones): the harmonics
// of every one of them count as signal.
double alias_to_signal_db(const float* x, size_t n, double rate, const std::vector<double>& fundamentals);

// Pitch difference in cents.
double cents(double hz, double reference_hz);

}  // namespace analysis
