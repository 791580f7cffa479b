// Builds without libsndfile (Windows: Debian has none for MinGW) write WAV only.
#include "tools/render/audio_sink.h"

namespace render {

bool flac_available() { return false; }

std::unique_ptr<audio_sink> open_flac(const std::string& path, int32_t, std::string& error) {
  error = "this build writes WAV only: " + path;
  return nullptr;
}

}  // namespace render
