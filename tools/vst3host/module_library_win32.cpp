#include <windows.h>

#include "platform/utf16_win32.h"
#include "tools/vst3host/module_library.h"

namespace vst3host {

namespace {

std::string stem(const std::string& bundle) {
  const size_t slash = bundle.find_last_of("/\\");
  std::string name = slash == std::string::npos ? bundle : bundle.substr(slash + 1);
  return name.substr(0, name.size() - 5);  // less ".vst3"
}

bool is_folder(const std::string& path) {
  std::wstring wide;
  if (!platform::to_utf16(path, wide)) return false;
  const DWORD a = GetFileAttributesW(wide.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::string module_library::binary_in_bundle(const std::string& bundle) {
  if (!is_folder(bundle)) return bundle;  // the older single-file form
  const char* arch = sizeof(void*) == 8 ? "x86_64-win" : "x86-win";
  return bundle + "\\Contents\\" + arch + "\\" + stem(bundle) + ".vst3";
}

bool module_library::load(const std::string& binary, std::string& error) {
  std::wstring wide;
  if (!platform::to_utf16(binary, wide)) {
    error = "cannot load " + binary + ": the path is not UTF-8";
    return false;
  }
  HMODULE module = LoadLibraryW(wide.c_str());
  if (!module) {
    error = "cannot load " + binary + ": error " + std::to_string(GetLastError());
    return false;
  }
  auto get_factory = reinterpret_cast<vst3::GetFactoryProc>(
      reinterpret_cast<void*>(GetProcAddress(module, "GetPluginFactory")));
  if (!get_factory) {
    FreeLibrary(module);
    error = binary + ": not a VST 3 module: no GetPluginFactory";
    return false;
  }
  auto init = reinterpret_cast<vst3::InitDllProc>(reinterpret_cast<void*>(GetProcAddress(module, "InitDll")));
  if (init && !init()) {
    FreeLibrary(module);
    error = binary + ": InitDll refused";
    return false;
  }
  handle_ = module;
  factory_ = get_factory();
  if (!factory_) {
    unload();
    error = binary + ": GetPluginFactory gave no factory";
    return false;
  }
  return true;
}

void module_library::unload() {
  if (!handle_) return;
  HMODULE module = static_cast<HMODULE>(handle_);
  auto exit = reinterpret_cast<vst3::InitDllProc>(reinterpret_cast<void*>(GetProcAddress(module, "ExitDll")));
  if (exit) exit();
  FreeLibrary(module);
  handle_ = nullptr;
}

}  // namespace vst3host
