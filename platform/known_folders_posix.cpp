#include <cstdlib>

#include "platform/known_folders.h"

namespace platform {

namespace {

// $xdg_variable/ if set, else $HOME/home_relative/ (XDG base directories).
std::string xdg_folder(const char* xdg_variable, const char* home_relative) {
  std::string dir = environment_text(xdg_variable);
  if (!dir.empty()) return dir.back() == '/' ? dir : dir + '/';
  dir = environment_text("HOME");
  if (dir.empty()) return {};
  if (dir.back() != '/') dir += '/';
  return dir + home_relative + '/';
}

}  // namespace

char native_separator() { return '/'; }

std::string environment_text(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

std::string user_data_folder() { return xdg_folder("XDG_DATA_HOME", ".local/share"); }

std::string shared_data_folder() { return xdg_folder("XDG_CACHE_HOME", ".cache"); }

}  // namespace platform
