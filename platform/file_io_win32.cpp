#include <windows.h>
#include <io.h>

#include <atomic>
#include <cstdio>
#include <cwchar>

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

namespace {

constexpr const char* temporary_infix = ".saving-";

// A process id that names no running process (OpenProcess refuses it as an
// invalid parameter; a running one it cannot open is still running).
bool process_gone(unsigned long pid) {
  const HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
  if (h) {
    DWORD code = 0;
    const bool exited = GetExitCodeProcess(h, &code) && code != STILL_ACTIVE;
    CloseHandle(h);
    return exited;
  }
  return GetLastError() == ERROR_INVALID_PARAMETER;
}

}  // namespace

std::string temporary_name_for(const std::string& path_utf8) {
  static std::atomic<unsigned> counter{0};
  return path_utf8 + temporary_infix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
}

void remove_stale_temporaries(const std::string& path_utf8) {
  std::wstring pattern;
  if (!to_utf16(path_utf8 + temporary_infix + "*", pattern)) return;
  const size_t slash = pattern.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? std::wstring() : pattern.substr(0, slash + 1);
  const size_t prefix = pattern.size() - folder.size() - 1;  // "<name>.saving-" without the '*'
  WIN32_FIND_DATAW found;
  const HANDLE find = FindFirstFileW(pattern.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    // "<name>.saving-<pid>-<count>"
    const std::wstring name = found.cFileName;
    if (name.size() <= prefix) continue;
    wchar_t* end = nullptr;
    const unsigned long pid = std::wcstoul(name.c_str() + prefix, &end, 10);
    if (end == name.c_str() + prefix || *end != L'-' || pid == GetCurrentProcessId() || !process_gone(pid)) continue;
    DeleteFileW((folder + name).c_str());
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

}  // namespace platform
