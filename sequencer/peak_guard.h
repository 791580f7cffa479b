// A safety on the output of AHX songs: the replayer's mixing keeps four
// full-volume channels within full scale, but our band-limited waves
// overshoot at their edges and filters ring, so a loud passage can poke above
// it. The guard takes the gain down at once to what keeps a peak at the
// ceiling and lets it recover over the release; it adds no delay, and below
// the ceiling (nearly always) it passes the signal unchanged, bit for bit.
#pragma once

namespace sequencer {

struct peak_guard {
  static constexpr float ceiling = 0.989f;     // -0.1 dBFS
  static constexpr float release_s = 0.1f;     // time constant of the recovery
  float gain = 1.f;
  float recovery = 0.f;  // per sample, the share of the way back to 1

  void init(float sample_rate);
  void reset() { gain = 1.f; }
  // Adds left_in/right_in, guarded, into left/right.
  void process(const float* left_in, const float* right_in, float* left, float* right, int frames);
};

}  // namespace sequencer
