// A DLL holding the platform layer, for the module-path test: what the layer
// reports about its own module when it lives in a DLL, as it does in vorn.dll.
#include <windows.h>

#include "platform/module_handle_win32.h"
#include "platform/module_path.h"

extern "C" __declspec(dllexport) HMODULE probe_own_module() { return platform::own_module(); }

extern "C" __declspec(dllexport) const char* probe_directory() { return platform::this_module().directory.c_str(); }

extern "C" __declspec(dllexport) const char* probe_file_name() { return platform::this_module().file_name.c_str(); }
