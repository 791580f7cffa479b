#include "synth/unison.h"

#include <algorithm>
#include <cmath>

namespace synth {

namespace {

constexpr int spread_last_m = 19;
constexpr float centre_gain_scale = 1.4124f;  // 1 / (0.224 * 0.75^2 + 0.776 * 0.75)

int clamp_layers(int n) { return std::clamp(n, 1, max_unison_layers); }

bool is_square(int m) {
  const int r = static_cast<int>(std::lround(std::sqrt(static_cast<double>(m))));
  return r * r == m;
}

std::array<float, unison_spread_size> build_spread() {
  std::array<float, unison_spread_size> t{};
  const double top = std::sqrt(static_cast<double>(spread_last_m)) - 1.0;
  int i = 0;
  for (int m = 2; m <= spread_last_m && i < unison_spread_size; ++m)
    if (!is_square(m)) t[i++] = static_cast<float>((std::sqrt(static_cast<double>(m)) - 1.0) / top);
  return t;
}

float width_factor(int n) { return n <= 2 ? 1.0f : n == 3 ? 1.5f : 2.0f; }

float power_curve(float x) { return (0.224f * x + 0.776f) * x; }

}  // namespace

const std::array<float, unison_spread_size>& unison_spread() {
  static const std::array<float, unison_spread_size> table = build_spread();
  return table;
}

void unison_detune(int n, float detune, float* semitones) {
  n = clamp_layers(n);
  const auto& spread = unison_spread();
  semitones[0] = 0.f;
  float sum = 0.f;
  for (int k = 1; k < n; ++k) sum += semitones[k] = spread[k - 1] * detune;
  const float mean = sum / static_cast<float>(n);
  for (int k = 0; k < n; ++k) semitones[k] -= mean;
}

void unison_pan(int n, float width, float* pan) {
  n = clamp_layers(n);
  const float w = width_factor(n) * width;
  const float step = 2.f / static_cast<float>(n);
  float magnitude = n % 2 == 0 ? step : 0.f;
  for (int k = 0; k < n; ++k) {
    pan[k] = (k % 2 == 0 ? magnitude : -magnitude) * w;
    if ((n ^ k) & 1) magnitude += step;
  }
}

stereo_gain unison_gain(float pan, int n) {
  const float g = 1.f / std::sqrt(static_cast<float>(clamp_layers(n))) * centre_gain_scale;
  const float a = (pan + 1.f) * 0.5f;
  const float l = (1.f - a) * (1.f + a);
  const float r = (2.f - a) * a;
  return {power_curve(l) * g, power_curve(r) * g};
}

}  // namespace synth
