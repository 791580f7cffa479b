#include "platform/file_io.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace platform {

std::FILE* open_file(const std::string& path_utf8, const char* mode) {
  if (path_utf8.empty() || path_utf8.find('\0') != std::string::npos) return nullptr;
  return std::fopen(path_utf8.c_str(), mode);
}

bool sync_file(std::FILE* f) {
  if (std::fflush(f) != 0) return false;
  return ::fsync(::fileno(f)) == 0;
}

bool replace_file(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool remove_file(const std::string& path) { return std::remove(path.c_str()) == 0; }

std::string temporary_name_for(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + ".saving-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

}  // namespace platform
