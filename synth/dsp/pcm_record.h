// A PCM sample slot as the player reads it: signed 16-bit mono frames with
// guard frames on both sides, loop points, and how many frames make one
// oscillator cycle. Filled off the audio path (under the engine lock); the
// player only reads it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace synth {

struct pcm_record {
  static constexpr int32_t guard_frames = 4;  // zeros around the data: interpolating readers may look past the ends

  std::string name;
  std::vector<int16_t> data;      // guard_frames + length + guard_frames
  int32_t length = 0;             // frames
  float frames_per_cycle = 1.f;   // frames advanced per unit of oscillator phase
  bool muted = false;
  bool loop = false;
  int32_t loop_start = 0;         // first frame of the loop
  int32_t loop_end = 0;           // last frame of the loop (inclusive)
  float loop_fraction = 0.f;      // fractional part of the loop length, 0..1
  int32_t source_bits = 16;       // bits per sample of the file it came from (8 stores only high bytes)
  int32_t reserved = 0;           // kept in saved records, always 0

  bool filled() const { return length > 0 && data.size() >= size_t(length) + 2 * guard_frames; }
  const int16_t* frames() const { return data.data() + guard_frames; }

  // Copies n frames in, with zero guards; loop off.
  void assign(const int16_t* samples, int32_t n) {
    if (n < 0 || !samples) n = 0;
    data.assign(size_t(n) + 2 * guard_frames, 0);
    for (int32_t i = 0; i < n; ++i) data[size_t(i + guard_frames)] = samples[i];
    length = n;
    loop = false;
    loop_start = loop_end = 0;
    loop_fraction = 0.f;
  }
  int16_t* frames() { return data.data() + guard_frames; }

  // The guard frames after the data: the frames that follow the last one when
  // the sample loops (loop start + k, wrapped), else the last frame repeated,
  // so a reader looking past the end continues the waveform.
  void set_end_guards() {
    if (length <= 0 || data.size() < size_t(length) + 2 * guard_frames) return;
    int16_t* f = frames();
    for (int32_t k = 0; k < guard_frames; ++k)
      f[length + k] = loop ? f[(loop_start + k) % length] : f[length - 1];
  }
  // Loop points are limited to the data; an empty range turns the loop off.
  void set_loop(int32_t start, int32_t end, float fraction) {
    loop = length > 0 && start >= 0 && end >= start && end < length;
    loop_start = loop ? start : 0;
    loop_end = loop ? end : 0;
    loop_fraction = fraction > 0.f ? (fraction < 1.f ? fraction : 0.f) : 0.f;
  }
};

}  // namespace synth
