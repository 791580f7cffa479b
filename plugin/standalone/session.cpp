#include "plugin/standalone/session.h"

#include <vector>

#include "platform/file_open.h"
#include "plugin/instance.h"
#include "plugin/standalone/session_file.h"

namespace standalone {

namespace {

bool file_exists(const std::string& path) {
  std::FILE* f = path.empty() ? nullptr : platform::open_file(path, "rb");
  if (f) std::fclose(f);
  return f != nullptr;
}

}  // namespace

std::string restore_session(plugin::instance& it, const std::string& state_file) {
  const std::string path = state_file.empty() ? session_path() : state_file;
  if (state_file.empty() && !file_exists(path)) return {};
  std::vector<uint8_t> bytes;
  const std::string read = read_state_file(path, bytes);
  if (!read.empty()) return path + ": " + read;
  if (!it.load_state(bytes.data(), bytes.size())) return path + ": not a Vorn state file";
  return {};
}

std::string save_session(plugin::instance& it) {
  const std::string path = session_path();
  size_t size = 0;
  const uint8_t* bytes = it.save_state(size);
  const std::string written = write_state_file(path, bytes, size);
  return written.empty() ? std::string() : (path.empty() ? std::string("no user data folder") : path) + ": " + written;
}

}  // namespace standalone
