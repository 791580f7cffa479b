// The system's file dialogs (COMDLG32) and message boxes.
#include <windows.h>
#include <cderr.h>
#include <commdlg.h>

#include <cstdio>
#include <string>
#include <vector>

#include "guilib/platform/win32/ms32_win32.h"
#include "platform/utf16_win32.h"

namespace wnd {

namespace {

HWND owner_of(window* w) { return w ? reinterpret_cast<HWND>(w->native) : nullptr; }

// A filter of pairs, each part followed by a tab, with the tabs made NULs:
// the list of NUL-terminated strings the dialog takes.
std::wstring filter_list(const std::wstring& filter) {
  std::wstring f = filter;
  for (wchar_t& c : f)
    if (c == L'\t') c = L'\0';
  f.push_back(L'\0');
  return f;
}

}  // namespace

bool ms32::file_dialog(window* owner, bool save, const char* title, const char* filter, char* path, size_t capacity) {
  if (!path || capacity == 0) return false;
  std::wstring wtitle, wfilter, winitial;
  if (!platform::to_utf16(title ? title : "", wtitle) || !platform::to_utf16(filter ? filter : "", wfilter) ||
      !platform::to_utf16(std::string(path, strnlen(path, capacity)), winitial))
    return false;
  const std::wstring list = filter_list(wfilter);
  std::vector<wchar_t> buffer(std::max<size_t>(capacity, MAX_PATH) + 1, L'\0');
  winitial.copy(buffer.data(), buffer.size() - 1);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner_of(owner);
  ofn.lpstrFilter = list.c_str();
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = DWORD(buffer.size());
  ofn.lpstrTitle = wtitle.c_str();
  ofn.Flags = save ? OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  BOOL chosen = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  if (!chosen && save && CommDlgExtendedError() == FNERR_INVALIDFILENAME) {
    buffer[0] = L'\0';  // the offered name was not valid: once more without it
    chosen = GetSaveFileNameW(&ofn);
  }
  if (!chosen) {
    if (const DWORD error = CommDlgExtendedError()) {
      char text[64];
      std::snprintf(text, sizeof text, "The dialog function reported error 0x%x", unsigned(error));
      MessageBoxA(owner_of(owner), text, "kv::wnd::win32::openfiledialog()", MB_OK | MB_ICONERROR);
    }
    return false;
  }
  const std::string chosen_path = platform::to_utf8(buffer.data(), wcslen(buffer.data()));
  const size_t n = std::min(chosen_path.size(), capacity - 1);
  chosen_path.copy(path, n);
  path[n] = 0;
  return true;
}

bool ms32::message_box(window* owner, const char* caption, const char* text, bool ok_cancel) {
  const UINT type = ok_cancel ? MB_OKCANCEL | MB_ICONWARNING : MB_OK | MB_ICONINFORMATION;
  return MessageBoxA(owner_of(owner), text ? text : "", caption ? caption : "", type) == IDOK;
}

}  // namespace wnd
