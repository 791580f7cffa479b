#include "tools/render/audio_writer.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>

namespace render {

namespace {

constexpr int channels = 2;

std::string lower_extension(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char ch) { return char(std::tolower(ch)); });
  return ext;
}

int sndfile_format(const std::string& path) {
  const std::string ext = lower_extension(path);
  if (ext == "wav") return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  if (ext == "flac") return SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
  return 0;
}

}  // namespace

audio_writer::~audio_writer() {
  std::string ignored;
  close(ignored);
}

std::string audio_writer::format_for(const std::string& path) {
  const std::string ext = lower_extension(path);
  if (ext == "wav") return "WAV float";
  if (ext == "flac") return "FLAC 24-bit";
  return {};
}

bool audio_writer::open(const std::string& path, int32_t sample_rate, std::string& error) {
  std::string ignored;
  close(ignored);
  SF_INFO info{};
  info.samplerate = sample_rate;
  info.channels = channels;
  info.format = sndfile_format(path);
  if (!info.format) {
    error = "unknown output type for " + path + " (use .wav or .flac)";
    return false;
  }
  if (!sf_format_check(&info)) {
    error = "libsndfile cannot write " + format_for(path) + " at " + std::to_string(sample_rate) + " Hz";
    return false;
  }
  file_ = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file_) {
    error = "cannot create " + path + ": " + sf_strerror(nullptr);
    return false;
  }
  // Float input scaled to the integer range for FLAC, clipped rather than
  // wrapped when a sample exceeds full scale.
  sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  return true;
}

bool audio_writer::write(const float* left, const float* right, int32_t frames, std::string& error) {
  if (!file_) {
    error = "no output file open";
    return false;
  }
  interleaved_.resize(size_t(frames) * channels);
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

bool audio_writer::close(std::string& error) {
  if (!file_) return true;
  const int rc = sf_close(file_);
  file_ = nullptr;
  if (rc != 0) {
    error = std::string("closing the output failed: ") + sf_error_number(rc);
    return false;
  }
  return true;
}

}  // namespace render
