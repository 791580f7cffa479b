// Stereo audio file output through libsndfile; the container follows the
// file's extension: ".wav" as 32-bit float WAVE, ".flac" as 24-bit FLAC.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

typedef struct sf_private_tag SNDFILE;  // as sndfile.h declares it

namespace render {

class audio_writer {
 public:
  audio_writer() = default;
  ~audio_writer();
  audio_writer(const audio_writer&) = delete;
  audio_writer& operator=(const audio_writer&) = delete;

  bool open(const std::string& path, int32_t sample_rate, std::string& error);
  // Interleaves and appends frames of the two channels.
  bool write(const float* left, const float* right, int32_t frames, std::string& error);
  bool close(std::string& error);

  // The format name for a path ("WAV float", "FLAC 24-bit"), or empty when the
  // extension is not one we write.
  static std::string format_for(const std::string& path);

 private:
  SNDFILE* file_ = nullptr;
  std::vector<float> interleaved_;
};

}  // namespace render
