#include "platform/app_data_dir.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

namespace platform {

namespace {

std::string with_separator(std::string dir) {
  if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';
  return dir;
}

std::string env_or_empty(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

std::string choose_dir() {
  std::string dir = env_or_empty("VORN_DATA_DIR");
  if (!dir.empty()) return with_separator(dir);
  dir = env_or_empty("XDG_DATA_HOME");
  if (!dir.empty()) return with_separator(dir) + "vorn/synth/";
  dir = env_or_empty("HOME");
  if (!dir.empty()) return with_separator(dir) + ".local/share/vorn/synth/";
  return {};
}

}  // namespace

bool make_directories(const std::string& path) {
  if (path.empty()) return false;
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/' && path[i] != '\\') continue;
    std::string part = path.substr(0, i);
    if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

const std::string& app_data_dir() {
  static std::once_flag once;
  static std::string dir;
  std::call_once(once, [] {
    std::string d = choose_dir();
    if (make_directories(d)) dir = d;
  });
  return dir;
}

std::string app_data_file(const char* base_name, const char* extension) {
  const std::string& dir = app_data_dir();
  if (dir.empty()) return {};
  return dir + base_name + extension;
}

}  // namespace platform
