#include <windows.h>
#include <io.h>

#include <atomic>
#include <cstdio>

#include "platform/file_io.h"
#include "platform/utf16_win32.h"

namespace platform {

bool sync_file(std::FILE* f) {
  if (std::fflush(f) != 0) return false;
  const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
  return h != INVALID_HANDLE_VALUE && FlushFileBuffers(h) != 0;
}

bool replace_file(const std::string& from_utf8, const std::string& to_utf8) {
  std::wstring from, to;
  if (!to_utf16(from_utf8, from) || !to_utf16(to_utf8, to)) return false;
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool remove_file(const std::string& path_utf8) {
  std::wstring path;
  return to_utf16(path_utf8, path) && DeleteFileW(path.c_str()) != 0;
}

std::string temporary_name_for(const std::string& path_utf8) {
  static std::atomic<unsigned> counter{0};
  return path_utf8 + ".saving-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
}

}  // namespace platform
