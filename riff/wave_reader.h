// Reader for RIFF WAVE files, the one foreign chunk format we read. Keeps the
// format, the raw interleaved sample bytes, the sampler chunk's unity pitch
// and first loop, and the INFO title.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace riff {

namespace wave_error {
enum : int32_t {
  none = 0,
  invalid_file = 1,
  not_riff = 2,
  not_wave = 3,
  no_format = 4,
  no_data = 5,
  not_pcm = 6,
  unexpected_size = 7,  // has a text, never the outcome of a load
};
}

constexpr uint16_t format_integer_pcm = 1;
constexpr uint16_t format_ieee_float = 3;

struct wave_reader {
  uint16_t format_tag = 0;
  uint16_t channels = 0;
  uint32_t sample_rate = 0;
  uint16_t bits_per_sample = 0;
  uint32_t frame_count = 0;
  int64_t last_frame = -1;       // frame_count - 1
  std::vector<uint8_t> samples;  // the data chunk's payload as stored
  double unity_offset = 0.0;     // semitones: unity note - 60 + pitch fraction / 2^32
  uint32_t loop_mode = 0;        // 0 none, else the sampler loop type + 1
  uint32_t loop_start = 0;
  uint32_t loop_end = 0;
  uint32_t loop_fraction = 0;
  uint32_t loop_play_count = 0;
  std::string name;              // INFO INAM, empty when absent
  int32_t error = wave_error::none;

  // Both return true when an error occurred (the code is then in `error`).
  bool load(const std::string& path_utf8);
  bool parse(const uint8_t* data, size_t size);
};

// "No error", "Not RIFF", ...; "unknown" for codes outside 0..7.
const char* wave_error_text(int32_t code);

}  // namespace riff
