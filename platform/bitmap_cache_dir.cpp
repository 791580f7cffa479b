#include "platform/bitmap_cache_dir.h"

#include <cstdlib>

#include "platform/app_data_dir.h"

namespace platform {

namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

std::string with_separator(std::string dir) {
  if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';
  return dir;
}

}  // namespace

std::string bitmap_cache_dir() {
  std::string dir = env("VORN_CACHE_DIR");
  if (!dir.empty()) {
    dir = with_separator(dir);
  } else {
    std::string base = env("XDG_CACHE_HOME");
    if (base.empty() && !env("HOME").empty()) base = with_separator(env("HOME")) + ".cache";
    if (base.empty()) return {};
    dir = with_separator(base) + "vorn/8/bitmap cache/";
  }
  return make_directories(dir) ? dir : std::string();
}

}  // namespace platform
