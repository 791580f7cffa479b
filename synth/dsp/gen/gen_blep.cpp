// Generator of the band-limit residual tables `minblep` and `minblamp`.
//
//   gen_blep <output.cpp>   writes the tables as C++ source
//   gen_blep --report       prints the key values of both tables
//
// Construction (all in double precision, 16 points per sample):
// 1. A Kaiser-windowed sinc lowpass, cutoff 0.43 of the sample rate, beta
//    5.5, 15 samples long: flat within 0.7 dB to 15.8 kHz at 44.1 kHz
//    (-2.8 dB at 17.6 kHz) and at least 30 dB down from about 0.52 of the
//    rate on, so the harmonics just above the folding frequency, which
//    every waveform has, are cut before they alias into 19..22 kHz.
// 2. Made minimum phase by the cepstral method (log magnitude -> real
//    cepstrum -> fold the anticausal half onto the causal half -> exp), so
//    the step rises right after the discontinuity instead of ringing before
//    it, and integrated into a unit step s(t).
// 3. minblep(t) = 1 - s(t), the residual of the naive step against the
//    band-limited one: 1 at t = 0, ringing down to 0 within 16 samples. Its
//    area I (the table integral) is the step's average delay in samples.
// 4. The ramp residual R(tau) = integral_0^tau minblep is what a unit slope
//    change loses against the band-limited corner; it grows to I, because
//    the band-limited corner lags by the same I samples as every step. The
//    oscillator delays its straight segments by I too (its naive value
//    carries -I * slope * increment), so a corner's slope term jumps by
//    I * (slope change), and that jump is band-limited by minblep like any
//    step. What is left for the slope residual is finite:
//        minblamp(tau) = -4 * (R(tau) - I * s(tau)),  tau = entry / 16 - 1,
//    0 before the corner, a hump of about -5 near tau = 1.7, back to 0
//    where s reaches 1. The -1 is the one-sample lead of tap 0 (the
//    oscillator outputs its step-corrected signal one sample late); the
//    factor -4 matches the oscillator's slope units (-4 per unit of phase,
//    the triangle's falling half being +1).
// No external libraries: a small radix-2 FFT does the cepstrum.

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <vector>

#include "synth/dsp/band_limit_table.h"

namespace {

using complex = std::complex<double>;

constexpr int phases = synth::blep_phases;
constexpr int taps = synth::blep_taps;
constexpr int total = synth::blep_total;
constexpr int guard = synth::blep_guard;

// Lowpass prototype.
constexpr double cutoff = 0.43;           // cycles per sample
constexpr double kaiser_beta = 5.5;       // sidelobes about -60 dB, a narrower transition
constexpr double length_samples = 15.0;   // prototype length: the residual ends with the 15th tap
constexpr int fft_size = 16384;           // zero padding keeps cepstral aliasing negligible
constexpr double log_floor = 1e-14;       // -280 dB: stopband zeros stay finite in the log

void fft(std::vector<complex>& a, bool inverse) {
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    const double angle = 2 * M_PI / double(len) * (inverse ? 1 : -1);
    const complex w_len(std::cos(angle), std::sin(angle));
    for (size_t i = 0; i < n; i += len) {
      complex w(1);
      for (size_t j = 0; j < len / 2; ++j) {
        complex u = a[i + j], v = a[i + j + len / 2] * w;
        a[i + j] = u + v;
        a[i + j + len / 2] = u - v;
        w *= w_len;
      }
    }
  }
  if (inverse)
    for (complex& x : a) x /= double(n);
}

double bessel_i0(double x) {
  double sum = 1, term = 1;
  for (int k = 1; k < 60; ++k) {
    term *= (x / (2 * k)) * (x / (2 * k));
    sum += term;
  }
  return sum;
}

// Windowed sinc at `phases` points per sample, centred in its span.
std::vector<complex> lowpass_prototype() {
  std::vector<complex> h(fft_size);
  const int span = int(length_samples * phases);
  for (int n = 0; n <= span; ++n) {
    const double t = (n - span / 2.0) / phases;  // samples
    const double sinc = t == 0 ? 2 * cutoff : std::sin(2 * M_PI * cutoff * t) / (M_PI * t);
    const double r = (n - span / 2.0) / (span / 2.0);
    const double window = bessel_i0(kaiser_beta * std::sqrt(std::max(0.0, 1 - r * r))) / bessel_i0(kaiser_beta);
    h[n] = sinc * window;
  }
  return h;
}

// Cepstral minimum-phase conversion: same magnitude, energy as early as possible.
std::vector<double> minimum_phase(std::vector<complex> h) {
  fft(h, false);
  for (complex& x : h) x = std::log(std::max(std::abs(x), log_floor));
  fft(h, true);
  for (int k = 1; k < fft_size / 2; ++k) {
    h[k] *= 2.0;
    h[fft_size - k] = 0;
  }
  fft(h, false);
  for (complex& x : h) x = std::exp(x);
  fft(h, true);
  std::vector<double> out(fft_size / 2);
  for (size_t n = 0; n < out.size(); ++n) out[n] = h[n].real();
  return out;
}

// minblep residual at t = n / phases for n = 0..total (one point past the end).
std::vector<double> step_residual() {
  const std::vector<double> h = minimum_phase(lowpass_prototype());
  double sum = 0;
  for (double v : h) sum += v;
  std::vector<double> residual(total + 1);
  double acc = 0;
  for (int n = 0; n <= total; ++n) {
    acc += h[n];
    residual[n] = 1 - acc / sum;
  }
  return residual;
}

struct tables {
  float minblep[total + guard];
  float minblamp[total + guard];
  float integral;
};

void build(tables& out) {
  const std::vector<double> residual = step_residual();
  for (int e = 0; e < total; ++e) out.minblep[e] = float(residual[e]);
  for (int e = total; e < total + guard; ++e) out.minblep[e] = out.minblep[total - 1];
  out.integral = synth::table_integral(out.minblep, phases, taps);

  // R(tau) by the trapezoid rule at phases points per sample.
  std::vector<double> ramp(total + 1, 0.0);
  for (int n = 1; n <= total; ++n) ramp[n] = ramp[n - 1] + (residual[n - 1] + residual[n]) * 0.5 / phases;

  // R at the end of the last tap is the delay the slope residual hands over
  // to the step residual: the difference returns to 0 exactly there.
  const double delay = ramp[total - phases];
  for (int e = 0; e < total; ++e) {
    const int k = e - phases;  // tau = e / phases - 1: tap 0 is the sample before the corner
    const double v = k >= 0 ? ramp[k] - delay * (1 - residual[k]) : 0.0;
    out.minblamp[e] = float(-4 * v);
  }
  out.minblamp[total - 1] = 0.f;
  for (int e = total; e < total + guard; ++e) out.minblamp[e] = 0.f;
}

void write_array(FILE* f, const char* name, const float* data) {
  std::fprintf(f, "constexpr float %s_data[blep_size] = {\n", name);
  for (int i = 0; i < total + guard; ++i)
    std::fprintf(f, "%s%.9g,%s", i % 6 == 0 ? "    " : " ", double(data[i]), i % 6 == 5 ? "\n" : "");
  std::fprintf(f, "\n};\n\n");
}

int write_source(const char* path, const tables& t) {
  FILE* f = std::fopen(path, "w");
  if (!f) {
    std::fprintf(stderr, "gen_blep: cannot write %s\n", path);
    return 1;
  }
  std::fprintf(f,
               "// Generated by synth/dsp/gen/gen_blep.cpp at build time. Do not edit: change the generator.\n"
               "#include \"synth/dsp/band_limit_table.h\"\n\nnamespace synth {\nnamespace {\n\n");
  write_array(f, "minblep", t.minblep);
  write_array(f, "minblamp", t.minblamp);
  std::fprintf(f,
               "}  // namespace\n\n"
               "constinit const band_limit_table minblep{\"minblep\", minblep_data,\n"
               "    table_integral(minblep_data, blep_phases, blep_taps), blep_phases, blep_taps, blep_total};\n"
               "constinit const band_limit_table minblamp{\"minblamp\", minblamp_data,\n"
               "    table_integral(minblamp_data, blep_phases, blep_taps), blep_phases, blep_taps, blep_total};\n\n"
               "}  // namespace synth\n");
  return std::fclose(f) == 0 ? 0 : 1;
}

void report(const tables& t) {
  std::printf("minblep integral %.7f\n", double(t.integral));
  for (int e : {0, 15, 32, 47, 57, 77, 254, 255}) std::printf("minblep[%d] = %.7g\n", e, double(t.minblep[e]));
  for (int e : {15, 16, 17, 18, 32, 47, 64, 128, 192, 254, 255})
    std::printf("minblamp[%d] = %.7g\n", e, double(t.minblamp[e]));
  int lo = 0;
  for (int e = 0; e < total; ++e)
    if (t.minblamp[e] < t.minblamp[lo]) lo = e;
  std::printf("minblamp minimum %.7g at %d\n", double(t.minblamp[lo]), lo);
}

}  // namespace

int main(int argc, char** argv) {
  static tables t;
  build(t);
  if (argc == 2 && std::strcmp(argv[1], "--report") == 0) {
    report(t);
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: gen_blep <output.cpp> | --report\n");
    return 2;
  }
  return write_source(argv[1], t);
}
