// A DLL holding the platform layer and the built-in blobs, as vorn.dll does:
// what the layer reports about its own module, and finds among its resources,
// when it lives in a DLL loaded by some other program.
#include <windows.h>

#include "platform/module_handle_win32.h"
#include "platform/module_path.h"
#include "platform/resources.h"

extern "C" __declspec(dllexport) HMODULE probe_own_module() { return platform::own_module(); }

extern "C" __declspec(dllexport) const char* probe_directory() { return platform::this_module().directory.c_str(); }

extern "C" __declspec(dllexport) const char* probe_file_name() { return platform::this_module().file_name.c_str(); }

extern "C" __declspec(dllexport) const uint8_t* probe_find_resource(const char* type, const char* name, size_t* size) {
  const platform::resource_blob blob = platform::find_resource(type, name);
  *size = blob.size;
  return blob.data;
}
