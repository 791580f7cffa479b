// Generator of the band-limit residual tables `minblep` and `minblamp`.
//
//   gen_blep <output.cpp>   writes the tables as C++ source
//   gen_blep --report       prints the key values of both tables
//
// Construction (all in double precision, 16 points per sample):
// 1. A Kaiser-windowed sinc lowpass, cutoff 0.442 of the sample rate, 13.5
//    samples long: its passband reaches 19.5 kHz at 44.1 kHz and its first
//    stopband sits near the folding frequency.
// 2. Made minimum phase by the cepstral method (log magnitude -> real
//    cepstrum -> fold the anticausal half onto the causal half -> exp), so
//    the step rises right after the discontinuity instead of ringing before
//    it, and integrated into a unit step s(t).
// 3. minblep(t) = 1 - s(t), the residual of the naive step against the
//    band-limited one: 1 at t = 0, ringing down to 0 within 16 samples.
// 4. The ramp residual R(tau) = integral_0^tau minblep grows to the table
//    integral I (the minimum-phase delay) and never returns to 0, so it cannot
//    be a finite correction on its own. Its asymptote is faded out by a smooth
//    monotone step W(tau) (I * W carries the delay away over the 16 samples;
//    W is slow, so its own spectrum stays far below the folding frequency):
//        minblamp(tau) = -4 * (R(tau) - I * W(tau)),  tau = entry / 16 - 1.
//    The -1 is the one-sample lead of tap 0 (the oscillator outputs its
//    step-corrected signal one sample late); the factor -4 turns the
//    oscillator's slope signs (+-1 per unit of phase, opposite to the
//    triangle's true slope of -+4) into the true slope change.
//    W is a monotone cubic Hermite curve through the fade profile below; at
//    the residual's minimum its slope is minblep / I, so the residual turns
//    there and rises monotonically to exactly 0 at the last entry.
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
constexpr double cutoff = 0.442;          // cycles per sample
constexpr double kaiser_beta = 7.625;     // sidelobes about -75 dB
constexpr double length_samples = 13.5;   // prototype length
constexpr int fft_size = 16384;           // zero padding keeps cepstral aliasing negligible
constexpr double log_floor = 1e-14;       // -280 dB: stopband zeros stay finite in the log

// Fade profile of the ramp residual: (entry, residual value) pairs the fade
// W passes through. They set the pre-ring of tap 0, the depth and place of
// the minimum (entry 47) and the slow return to 0.
struct fade_knot {
  int entry;
  double value;
};
constexpr fade_knot fade_profile[] = {
    {15, 0.01334663}, {16, 0.01595805}, {17, -0.2289961}, {47, -4.866208},
    {64, -3.639141},  {128, -1.090909}, {192, -0.1050518},
};
constexpr int fade_minimum_entry = 47;

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

// Monotone cubic Hermite curve (Fritsch-Carlson slopes unless fixed).
struct hermite {
  std::vector<double> x, y, m;
  double operator()(double t) const {
    if (t <= x.front()) return y.front();
    if (t >= x.back()) return y.back();
    size_t k = size_t(std::upper_bound(x.begin(), x.end(), t) - x.begin()) - 1;
    const double h = x[k + 1] - x[k], s = (t - x[k]) / h;
    const double h00 = (1 + 2 * s) * (1 - s) * (1 - s), h10 = s * (1 - s) * (1 - s);
    const double h01 = s * s * (3 - 2 * s), h11 = s * s * (s - 1);
    return h00 * y[k] + h10 * h * m[k] + h01 * y[k + 1] + h11 * h * m[k + 1];
  }
};

hermite make_fade(const std::vector<double>& ramp, const std::vector<double>& residual, double integral) {
  auto tau_of = [](int entry) { return entry / double(phases) - 1; };
  auto ramp_at = [&](int entry) { return entry >= phases ? ramp[entry - phases] : 0.0; };
  hermite w;
  const double start = -1 - 1.0 / phases;  // entry 0 already a little above 0
  w.x.push_back(start);
  w.y.push_back(0);
  for (const fade_knot& k : fade_profile) {
    w.x.push_back(tau_of(k.entry));
    w.y.push_back((ramp_at(k.entry) + k.value / 4) / integral);
  }
  w.x.push_back(tau_of(total - 1));  // the last entry is exactly 0
  w.y.push_back(ramp_at(total - 1) / integral);
  const size_t n = w.x.size();
  std::vector<double> secant(n - 1);
  for (size_t k = 0; k + 1 < n; ++k) secant[k] = (w.y[k + 1] - w.y[k]) / (w.x[k + 1] - w.x[k]);
  w.m.assign(n, 0.0);
  for (size_t k = 1; k + 1 < n; ++k) {
    if (secant[k - 1] * secant[k] <= 0) continue;
    // Weighted harmonic mean of the neighbouring secants (PCHIP): monotone.
    const double h0 = w.x[k] - w.x[k - 1], h1 = w.x[k + 1] - w.x[k];
    const double w1 = 2 * h1 + h0, w2 = h1 + 2 * h0;
    w.m[k] = (w1 + w2) / (w1 / secant[k - 1] + w2 / secant[k]);
  }
  for (size_t k = 1; k + 1 < n; ++k)
    if (std::lround((w.x[k] + 1) * phases) == fade_minimum_entry)
      w.m[k] = residual[fade_minimum_entry - phases] / integral;  // the residual turns here
  return w;
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

  const hermite fade = make_fade(ramp, residual, out.integral);
  for (int e = 0; e < total; ++e) {
    const double tau = e / double(phases) - 1;
    const double r = e >= phases ? ramp[e - phases] : 0.0;
    out.minblamp[e] = float(-4 * (r - out.integral * fade(tau)));
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
  for (int e : {0, 15, 16, 17, 18, 47, 64, 128, 192, 254, 255}) std::printf("minblamp[%d] = %.7g\n", e, double(t.minblamp[e]));
  int lo = 0;
  for (int e = 0; e < total; ++e)
    if (t.minblamp[e] < t.minblamp[lo]) lo = e;
  bool rising = true;
  for (int e = lo + 1; e < total; ++e)
    if (t.minblamp[e] < t.minblamp[e - 1]) {
      rising = false;
      std::printf("  falls at %d: %.7g -> %.7g\n", e, double(t.minblamp[e - 1]), double(t.minblamp[e]));
    }
  std::printf("minblamp minimum at %d, monotone after it: %s\n", lo, rising ? "yes" : "no");
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
