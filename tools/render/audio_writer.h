// Stereo audio file output; the container follows the file's extension:
// ".wav" as 32-bit float WAVE, ".flac" as 24-bit FLAC where the build has
// libsndfile. The audio goes to a temporary file beside the target, which
// replaces the target only when close() completes it: a render that fails or
// is stopped part way leaves an existing file as it was.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "riff/staged_file.h"
#include "tools/render/audio_sink.h"

namespace render {

class audio_writer {
 public:
  bool open(const std::string& path, int32_t sample_rate, std::string& error);
  // Interleaves and appends frames of the two channels.
  bool write(const float* left, const float* right, int32_t frames, std::string& error);
  // Completes the file and puts it in place of the target.
  bool close(std::string& error);
  // Drops what was written; the target stays as it was. Also on destruction.
  void discard();

  // The format name for a path ("WAV float", "FLAC 24-bit"), or empty when the
  // extension is not one this build writes.
  static std::string format_for(const std::string& path);
  // Why a path with no format cannot be written, naming the types that can.
  static std::string unknown_type_text(const std::string& path);

 private:
  std::unique_ptr<riff::staged_file> staged_;  // declared first: outlives the sink that writes it
  std::unique_ptr<audio_sink> sink_;
};

}  // namespace render
