// FLAC output through libsndfile: 24-bit, float input scaled to the integer
// range and clipped rather than wrapped when a sample exceeds full scale.
#include <sndfile.h>

#include <vector>

#include "tools/render/audio_sink.h"

namespace render {

namespace {

class flac_writer : public audio_sink {
 public:
  explicit flac_writer(SNDFILE* f) : file_(f) { sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE); }
  ~flac_writer() override {
    std::string ignored;
    close(ignored);
  }

  bool write(const float* left, const float* right, int32_t frames, std::string& error) override {
    interleaved_.resize(size_t(frames) * 2);
    for (int32_t i = 0; i < frames; ++i) {
      interleaved_[size_t(i) * 2] = left[i];
      interleaved_[size_t(i) * 2 + 1] = right[i];
    }
    if (sf_writef_float(file_, interleaved_.data(), frames) != frames) {
      error = std::string("write failed: ") + sf_strerror(file_);
      return false;
    }
    return true;
  }

  bool close(std::string& error) override {
    if (!file_) return true;
    const int rc = sf_close(file_);
    file_ = nullptr;
    if (rc != 0) {
      error = std::string("closing the output failed: ") + sf_error_number(rc);
      return false;
    }
    return true;
  }

 private:
  SNDFILE* file_;
  std::vector<float> interleaved_;
};

}  // namespace

bool flac_available() { return true; }

std::unique_ptr<audio_sink> open_flac(const std::string& path, int32_t sample_rate, std::string& error) {
  SF_INFO info{};
  info.samplerate = sample_rate;
  info.channels = 2;
  info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
  if (!sf_format_check(&info)) {
    error = "libsndfile cannot write FLAC at " + std::to_string(sample_rate) + " Hz";
    return nullptr;
  }
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) {
    error = "cannot create " + path + ": " + sf_strerror(nullptr);
    return nullptr;
  }
  return std::make_unique<flac_writer>(f);
}

}  // namespace render
