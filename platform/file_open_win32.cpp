#include <cerrno>
#include <cstdio>

#include "platform/file_open.h"
#include "platform/utf16_win32.h"

namespace platform {

std::FILE* open_file(const std::string& utf8_path, const char* mode) {
  std::wstring wide_path, wide_mode;
  if (utf8_path.empty() || !to_utf16(utf8_path, wide_path) || !to_utf16(mode, wide_mode)) {
    errno = EINVAL;
    return nullptr;
  }
  return _wfopen(wide_path.c_str(), wide_mode.c_str());
}

}  // namespace platform
