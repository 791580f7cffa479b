// Unison spread: how the n layers of one slot are detuned and placed in the
// stereo field. Pure functions of the layer count and the global "Unison
// Detune" / "Unison Width" values; the engine adds the per-layer random pitch
// offset ("Unison Randomization") itself, since that draws from its generator.
#pragma once

#include <array>

namespace synth {

constexpr int max_unison_layers = 16;
constexpr int unison_spread_size = 15;

// spread[i] = (sqrt(m) - 1) / (sqrt(19) - 1) for the i-th m of 2..19 that is not
// a perfect square: irrational ratios keep the layers' beating from lining up.
// Runs from 0.1233 to 1.0. Built on first use.
const std::array<float, unison_spread_size>& unison_spread();

// Offsets in semitones for layers 0..n-1 (n = 1..16): d[0] = 0,
// d[k] = spread[k - 1] * detune, then the mean removed so they sum to zero.
void unison_detune(int n, float detune, float* semitones);

// Pan positions for layers 0..n-1, alternating sides and growing outward,
// scaled by the width factor (1.0 for n <= 2, 1.5 for n = 3, 2.0 above) times
// width. Beyond n = 3 the outer layers pass +-1: their far channel gain turns
// negative, which pushes them outside the speakers.
void unison_pan(int n, float width, float* pan);

struct stereo_gain {
  float left;
  float right;
};

// Channel gains of one of n layers at pan -1..+1: the equal-power curve
// 0.224 x^2 + 0.776 x, scaled by 1 / sqrt(n) and by 1.4124 so the centre is 1.0.
stereo_gain unison_gain(float pan, int n);

}  // namespace synth
