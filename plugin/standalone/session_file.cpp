#include "plugin/standalone/session_file.h"

#include "files/outcome.h"
#include "platform/app_data_dir.h"
#include "riff/file_buffer.h"

namespace standalone {

std::string session_path() { return platform::app_data_file("standalone", ".vornstate"); }

std::string read_state_file(const std::string& path, std::vector<uint8_t>& out) {
  riff::file_buffer in;
  if (path.empty() || !in.load(path)) return "Can't read file (doesn't exist?)";
  if (in.size() == 0) return "Error reading file";
  out.assign(in.data(), in.data() + in.size());
  return {};
}

std::string write_state_file(const std::string& path, const uint8_t* bytes, size_t size) {
  if (path.empty() || !bytes || size == 0) return files::outcome::cannot_write;
  riff::file_buffer out;
  out.assign(bytes, size);
  return out.store(path) ? std::string() : std::string(files::outcome::cannot_write);
}

}  // namespace standalone
