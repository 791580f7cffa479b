#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "platform/file_io.h"

namespace platform {

bool sync_file(std::FILE* f) {
  if (std::fflush(f) != 0) return false;
  return ::fsync(::fileno(f)) == 0;
}

bool replace_file(const std::string& from_utf8, const std::string& to_utf8) {
  return std::rename(from_utf8.c_str(), to_utf8.c_str()) == 0;  // atomic on one file system
}

bool remove_file(const std::string& path_utf8) { return std::remove(path_utf8.c_str()) == 0; }

std::string temporary_name_for(const std::string& path_utf8) {
  static std::atomic<unsigned> counter{0};
  return path_utf8 + ".saving-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

}  // namespace platform
