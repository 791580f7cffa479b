#include <windows.h>

#include <cstdio>

#include "platform/file_open.h"
#include "platform/utf16_win32.h"
#include "tools/vsthost/plugin_library.h"

namespace vsthost {

namespace {

std::string system_message(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = n ? platform::to_utf8(text, n) : "error " + std::to_string(code);
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
    message.pop_back();
  return message;
}

bool in_working_folder(const std::string& name) {
  std::FILE* f = platform::open_file(name, "rb");
  if (f) std::fclose(f);
  return f != nullptr;
}

}  // namespace

plugin_library::~plugin_library() { close(); }

bool plugin_library::open(const std::string& path, std::string& error) {
  close();
  // A bare name of a file in the working folder means that file, not one of
  // the same name found first along the system's search path for libraries.
  const bool here = path.find_first_of("/\\") == std::string::npos && in_working_folder(path);
  const std::string file = here ? ".\\" + path : path;
  std::wstring wide_path;
  if (!platform::to_utf16(file, wide_path)) {
    error = "cannot load " + path + ": the path is not UTF-8";
    return false;
  }
  HMODULE module = LoadLibraryW(wide_path.c_str());
  if (!module) {
    error = "cannot load " + path + ": " + system_message(GetLastError());
    return false;
  }
  FARPROC entry = GetProcAddress(module, "VSTPluginMain");
  if (!entry) entry = GetProcAddress(module, "main");
  if (!entry) {
    FreeLibrary(module);
    error = path + ": not a VST 2 plug-in: no VSTPluginMain (nor main) entry";
    return false;
  }
  handle_ = module;
  entry_ = reinterpret_cast<VstEntryProc>(reinterpret_cast<void*>(entry));
  path_ = path;
  return true;
}

void plugin_library::close() {
  if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = nullptr;
  entry_ = nullptr;
  path_.clear();
}

}  // namespace vsthost
