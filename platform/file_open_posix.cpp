#include "platform/file_open.h"

namespace platform {

std::FILE* open_file(const std::string& utf8_path, const char* mode) {
  return std::fopen(utf8_path.c_str(), mode);
}

}  // namespace platform
