// Cutoff coefficients of the voice filters, one table per synth.
//
// Both filters are Chamberlin state-variable filters run twice per sample, so
// their coefficient is f = 2 sin(pi fc / (2 fs)), held in Q30 (1.0 = 2^30).
// The table holds 256 such coefficients half a semitone apart, starting at
// the cutoff base fb = 2 * f0 (f0 = 8.175799 Hz, the frequency of pitch 0),
// so it spans 128 semitones; frequencies above fs / 2 are held at fs / 2.
//
// A cutoff is addressed in 1/128 semitone above fb: 64 steps per entry,
// linearly interpolated between entries.
#pragma once

#include <array>
#include <cstdint>

namespace synth {

class cutoff_table {
 public:
  static constexpr int size = 256;
  static constexpr double pitch0_hz = 8.175799;        // f0, frequency of pitch 0
  static constexpr double base_hz = 2.0 * pitch0_hz;   // fb = 16.3516 Hz, entry 0
  static constexpr int entries_per_octave = 24;        // half a semitone per entry
  static constexpr int steps_per_entry = 64;           // cutoff units per entry
  static constexpr int steps_per_semitone = 128;       // cutoff unit: 1/128 semitone

  // Rebuilds every entry for sample_rate (call on every rate change).
  void init(double sample_rate);

  // Frequency an entry stands for: fb * 2^(i / 24), limited to [fb, fs / 2].
  double entry_hz(int i) const;

  // Coefficient (Q30) for cutoff c in 1/128 semitone above fb. c <= 0 gives
  // entry 0, c >= 255 * 64 the last entry.
  int32_t cutoff_coefficient(int32_t c) const {
    if (c <= 0) return entries_[0];
    int32_t i = c >> 6;
    if (i >= size - 1) return entries_[size - 1];
    int64_t frac_q31 = int64_t(c & (steps_per_entry - 1)) << 25;  // (c mod 64) / 64 in Q31
    int64_t step = int64_t(entries_[i + 1]) - entries_[i];
    return int32_t(entries_[i] + ((frac_q31 * step) >> 31));
  }

  int32_t entry(int i) const { return entries_[i]; }
  const int32_t* entries() const { return entries_.data(); }  // size entries, for vector kernels
  double sample_rate() const { return sample_rate_; }

 private:
  std::array<int32_t, size> entries_{};
  double sample_rate_ = 0.0;
};

}  // namespace synth
