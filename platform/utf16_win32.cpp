#include "platform/utf16_win32.h"

#include <windows.h>

#include <climits>

namespace platform {

bool to_utf16(const std::string& text, std::wstring& out) {
  out.clear();
  if (text.empty()) return true;
  if (text.size() > size_t(INT_MAX)) return false;
  const int in_length = int(text.size());
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), in_length, nullptr, 0);
  if (n <= 0) return false;
  out.resize(size_t(n));
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), in_length, out.data(), n) == n;
}

std::string to_utf8(const wchar_t* text, size_t length) {
  if (length == 0 || length > size_t(INT_MAX)) return {};
  const int in_length = int(length);
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, in_length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, in_length, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace platform
