#include "tools/render/audio_writer.h"

#include <algorithm>
#include <cctype>

#include "tools/render/stop_cleanup.h"

namespace render {

namespace {

std::string lower_extension(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char ch) { return char(std::tolower(ch)); });
  return ext;
}

}  // namespace

std::string audio_writer::format_for(const std::string& path) {
  const std::string ext = lower_extension(path);
  if (ext == "wav") return "WAV float";
  if (ext == "flac" && flac_available()) return "FLAC 24-bit";
  return {};
}

std::string audio_writer::unknown_type_text(const std::string& path) {
  return "unknown output type for " + path + (flac_available() ? " (use .wav or .flac)" : " (use .wav)");
}

bool audio_writer::open(const std::string& path, int32_t sample_rate, std::string& error) {
  discard();
  const std::string ext = lower_extension(path);
  if (format_for(path).empty()) {
    error = unknown_type_text(path);
    return false;
  }
  staged_ = std::make_unique<riff::staged_file>(path);
  const std::string& temporary = staged_->temporary();
  sink_ = ext == "wav" ? open_wav(temporary, sample_rate, error) : open_flac(temporary, sample_rate, error);
  if (!sink_) {
    staged_.reset();  // removes what the failed open may have left
    error = "cannot create " + path + " (" + error + ")";
    return false;
  }
  remove_on_stop(temporary);
  return true;
}

bool audio_writer::write(const float* left, const float* right, int32_t frames, std::string& error) {
  if (!sink_) {
    error = "no output file open";
    return false;
  }
  return sink_->write(left, right, frames, error);
}

bool audio_writer::close(std::string& error) {
  if (!sink_) return true;
  bool ok = sink_->close(error);
  sink_.reset();
  if (ok && !staged_->commit()) {
    error = "cannot replace " + staged_->target();
    ok = false;
  }
  staged_.reset();  // removes the temporary of a file that could not be completed
  remove_on_stop({});
  return ok;
}

void audio_writer::discard() {
  remove_on_stop({});
  sink_.reset();
  staged_.reset();
}

}  // namespace render
