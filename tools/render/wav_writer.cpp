// Stereo 32-bit float WAVE: "RIFF" <size> "WAVE", a "fmt " chunk with format
// 3 (IEEE float) and an empty extension, the "fact" chunk every non-PCM WAVE
// carries (frames per channel), then "data". Sizes are written as 0 at open
// and filled in at close. Integers little-endian, samples interleaved L R.
#include <cstdio>
#include <vector>

#include "platform/file_open.h"
#include "tools/render/audio_sink.h"

namespace render {

namespace {

constexpr int channels = 2;
constexpr uint32_t bytes_per_frame = channels * sizeof(float);
constexpr uint16_t format_ieee_float = 3;
constexpr long riff_size_at = 4, fact_frames_at = 46, data_size_at = 54;
constexpr uint32_t header_bytes = 58;  // everything before the samples
// The RIFF size field counts every byte after itself in 32 bits.
constexpr uint64_t max_frames = (0xFFFFFFFFull - (header_bytes - 8)) / bytes_per_frame;

void put16(std::vector<unsigned char>& b, uint16_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}

void put32(std::vector<unsigned char>& b, uint32_t v) {
  put16(b, uint16_t(v));
  put16(b, uint16_t(v >> 16));
}

void put_id(std::vector<unsigned char>& b, const char* id) { b.insert(b.end(), id, id + 4); }

std::vector<unsigned char> header(int32_t sample_rate) {
  std::vector<unsigned char> b;
  put_id(b, "RIFF");
  put32(b, 0);
  put_id(b, "WAVE");
  put_id(b, "fmt ");
  put32(b, 18);
  put16(b, format_ieee_float);
  put16(b, channels);
  put32(b, uint32_t(sample_rate));
  put32(b, uint32_t(sample_rate) * bytes_per_frame);  // bytes per second
  put16(b, bytes_per_frame);                          // block align
  put16(b, 32);                                       // bits per sample
  put16(b, 0);                                        // no extension bytes
  put_id(b, "fact");
  put32(b, 4);
  put32(b, 0);
  put_id(b, "data");
  put32(b, 0);
  return b;
}

class wav_writer : public audio_sink {
 public:
  explicit wav_writer(std::FILE* f) : file_(f) {}
  ~wav_writer() override {
    std::string ignored;
    close(ignored);
  }

  bool write(const float* left, const float* right, int32_t frames, std::string& error) override {
    if (frames <= 0) return true;
    if (uint64_t(frames) > max_frames - frames_) {
      error = "the output reached the 4 GiB limit of a WAVE file";
      return false;
    }
    interleaved_.resize(size_t(frames) * channels);
    for (int32_t i = 0; i < frames; ++i) {
      interleaved_[size_t(i) * 2] = left[i];
      interleaved_[size_t(i) * 2 + 1] = right[i];
    }
    if (std::fwrite(interleaved_.data(), bytes_per_frame, size_t(frames), file_) != size_t(frames)) {
      error = "write failed";
      return false;
    }
    frames_ += uint64_t(frames);
    return true;
  }

  bool close(std::string& error) override {
    if (!file_) return true;
    const uint32_t data_bytes = uint32_t(frames_ * bytes_per_frame);
    const bool sized = patch(riff_size_at, header_bytes - 8 + data_bytes) &&
                       patch(fact_frames_at, uint32_t(frames_)) && patch(data_size_at, data_bytes);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!sized || !closed) {
      error = "closing the output failed";
      return false;
    }
    return true;
  }

 private:
  bool patch(long at, uint32_t value) {
    std::vector<unsigned char> b;
    put32(b, value);
    return std::fseek(file_, at, SEEK_SET) == 0 && std::fwrite(b.data(), 1, 4, file_) == 4;
  }

  std::FILE* file_;
  uint64_t frames_ = 0;
  std::vector<float> interleaved_;
};

}  // namespace

std::unique_ptr<audio_sink> open_wav(const std::string& path, int32_t sample_rate, std::string& error) {
  std::FILE* f = platform::open_file(path, "wb");
  if (!f) {
    error = "cannot create " + path;
    return nullptr;
  }
  const std::vector<unsigned char> h = header(sample_rate);
  if (std::fwrite(h.data(), 1, h.size(), f) != h.size()) {
    std::fclose(f);
    error = "cannot write " + path;
    return nullptr;
  }
  return std::make_unique<wav_writer>(f);
}

}  // namespace render
