#include "files/tuning_files.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string_view>

#include "riff/file_buffer.h"

namespace files {

namespace {

bool has_extension(const std::string& path, std::string_view ext) {
  if (path.size() < ext.size()) return false;
  return std::equal(ext.begin(), ext.end(), path.end() - std::ptrdiff_t(ext.size()), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
}

}  // namespace

std::string load_tuning_file(const std::string& path, synth::synth& engine) {
  riff::file_buffer in;
  if (!in.load(path)) return "Can't read file (doesn't exist?)";
  if (in.size() == 0) return "Empty file";
  if (in.size() > max_tuning_file_bytes) return "File too large for a tuning";
  const std::string_view text(reinterpret_cast<const char*>(in.data()), in.size());
  return has_extension(path, ".kbm") ? engine.load_tuning_keymap(text) : engine.load_tuning_scale(text);
}

}  // namespace files
