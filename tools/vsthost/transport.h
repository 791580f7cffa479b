// The host's song position as a plug-in reads it through audioMasterGetTime:
// a playing transport that starts at sample 0 and advances by every processed
// block, at a fixed tempo in 4/4.
#pragma once

#include <cstdint>

#include "plugin/vst2/vst2.h"

namespace vsthost {

class transport {
 public:
  static constexpr double default_tempo_bpm = 120.0;
  static constexpr double default_sample_rate = 44100.0;

  void set_sample_rate(double hz) { sample_rate_ = hz; }
  void set_tempo(double bpm) { tempo_bpm_ = bpm; }
  void set_position(int64_t sample_pos) { sample_pos_ = sample_pos; }
  void set_playing(bool playing) { playing_ = playing; }
  void advance(int32_t frames) { sample_pos_ += frames; }

  double sample_rate() const { return sample_rate_; }
  double tempo() const { return tempo_bpm_; }
  int64_t position() const { return sample_pos_; }
  bool playing() const { return playing_; }

  // Position in quarter notes: seconds * beats per second.
  double ppq_position() const;
  // Fills every field the flags declare valid; the rest are zero.
  void fill(VstTimeInfo& info) const;

 private:
  double sample_rate_ = default_sample_rate;
  double tempo_bpm_ = default_tempo_bpm;
  int64_t sample_pos_ = 0;
  bool playing_ = true;
};

}  // namespace vsthost
