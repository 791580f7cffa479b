#include <windows.h>

#include "platform/module_handle_win32.h"
#include "platform/module_path.h"
#include "platform/utf16_win32.h"

namespace {

// Set by the loader's process-attach call when this code lives in a DLL; a
// plain store, made before any other code of the module runs.
HMODULE attached_module = nullptr;

}  // namespace

// The DLL's entry: it only records the handle. The path is found from it on
// first use (GetModuleFileNameW is safe here, but nothing needs it this early).
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) attached_module = instance;
  return TRUE;
}

namespace platform {

// Without DllMain (the code linked into a program) the module is the one
// whose image holds this function.
HMODULE own_module() {
  if (attached_module) return attached_module;
  HMODULE m = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&own_module), &m);
  return m;
}

namespace {

module_path find_module() {
  HMODULE m = own_module();
  if (!m) return {};
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {  // long paths: grow until the name fits
    const DWORD n = GetModuleFileNameW(m, name.data(), DWORD(name.size()));
    if (n == 0) return {};
    if (n < name.size()) return split_module_path(to_utf8(name.data(), n));
    if (name.size() >= 32768) return {};
    name.resize(name.size() * 2);
  }
}

}  // namespace

const module_path& this_module() {
  static const module_path path = find_module();
  return path;
}

}  // namespace platform
