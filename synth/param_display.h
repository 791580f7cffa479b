// Display texts of every parameter, and the time and frequency formats that the
// editor shares. Texts go into caller buffers; at most cap - 1 characters are
// written, always terminated.
#pragma once

#include <cstddef>

namespace synth {

// What a display text may need beyond the value itself.
struct display_context {
  const float* preset = nullptr;  // the 89 values of the program shown (LFO rate reads its Range)
  bool polyphonic = true;         // global glide-mode names: polyphonic or monophonic list
  int pcm_count = 0;              // loaded PCM waves, named for waveform values >= 6
  const char* const* pcm_names = nullptr;
  float tempo_bpm = 120.f;
};

// Per-preset parameters (0..88) format v as that preset's value; globals
// (89..104) as the global value; anything else, and 105, reads "invalid".
void display(int index, float value, const display_context& ctx, char* text, size_t cap);

// Time in seconds: "100 us", "12.5 ms", "10.0 s"; t <= 0 gives zero_text, or
// "Off" when zero_text is null.
void format_time(double seconds, const char* zero_text, char* text, size_t cap);

// Frequency in Hz: "440 Hz", "1.50 kHz"...; 0 < f < 1 as the period; f <= 0 as
// zero_text (or "Off").
void format_frequency(double hz, const char* zero_text, char* text, size_t cap);

// The level taper of the mixer levels (33, 35, 37, 38): value 0..1 -> dB,
// piecewise linear through (0, -90) (0.0625, -42) (0.25, -24) (0.75, 0) (1, +12).
float level_curve_db(float v);

// "Volume" (0..1) in dB: 0 dB at 0.75, +12 dB at 1, -36 dB at 0, linear on
// each side of 0.75.
float volume_db(float v);

// LFO "Low" range rate in Hz for a "Rate" value (0 = hold).
float lfo_low_rate_hz(float v);

}  // namespace synth
