// One open audio output file that takes stereo float frames. The formats
// (wav_writer.cpp, flac_writer_*.cpp) are the family; audio_writer picks one by
// the file's extension.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace render {

class audio_sink {
 public:
  virtual ~audio_sink() = default;
  // Appends frames of the two channels.
  virtual bool write(const float* left, const float* right, int32_t frames, std::string& error) = 0;
  // Completes the file (sizes, trailing data) and closes it.
  virtual bool close(std::string& error) = 0;
};

// 32-bit float WAVE, our own writer; null with a reason when the file cannot
// be created.
std::unique_ptr<audio_sink> open_wav(const std::string& path, int32_t sample_rate, std::string& error);

// 24-bit FLAC through libsndfile, where the build has it; null with a reason
// otherwise.
bool flac_available();
std::unique_ptr<audio_sink> open_flac(const std::string& path, int32_t sample_rate, std::string& error);

}  // namespace render
