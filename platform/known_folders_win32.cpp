#include <windows.h>
#include <shlobj.h>

#include "platform/known_folders.h"
#include "platform/utf16_win32.h"

namespace platform {

namespace {

// A shell folder (created when missing) with a trailing backslash.
std::string shell_folder(int csidl) {
  wchar_t path[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  std::string dir = to_utf8(path, wcslen(path));
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  return dir;
}

}  // namespace

char native_separator() { return '\\'; }

// Read from the process environment itself rather than the C runtime's copy,
// so a value set by any module of the host (or by our tests) is seen.
std::string environment_text(const char* name) {
  std::wstring wide_name;
  if (!to_utf16(name, wide_name)) return {};
  const DWORD n = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (n <= 1) return {};
  std::wstring value(n, L'\0');
  const DWORD got = GetEnvironmentVariableW(wide_name.c_str(), value.data(), n);
  if (got == 0 || got >= n) return {};
  return to_utf8(value.data(), got);
}

// The folder is kept as the shell gives it, in UTF-8, rather than in its short
// 8.3 form: UTF-8 paths reach every folder name, and our file functions take
// them (file_open_win32.cpp).
std::string user_data_folder() {
  std::string dir = shell_folder(CSIDL_APPDATA);
  if (dir.empty())
    MessageBoxA(nullptr, "Failed to retrieve CSIDL_APPDATA from SHGetFolderPath()", "error", MB_OK | MB_ICONERROR);
  return dir;
}

std::string shared_data_folder() { return shell_folder(CSIDL_COMMON_APPDATA); }

}  // namespace platform
