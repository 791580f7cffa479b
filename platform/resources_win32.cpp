// Windows modules carry the blobs as real resources of the DLL (compiled from
// the generated resources.rc), found in this code's own module: vorn.dll, not
// the host program that loaded it. Windows compares resource names without
// regard to case, as the table lookup elsewhere does.
#include <windows.h>

#include "platform/module_handle_win32.h"
#include "platform/resources.h"

namespace platform {

// No table here: each blob is a resource of its own.
resource_blob resource_table() { return {}; }

resource_blob find_resource(const char* type, const char* name) {
  if (!type || !name) return {};
  const HMODULE module = own_module();
  const HRSRC found = FindResourceA(module, name, type);
  if (!found) return {};
  const HGLOBAL loaded = LoadResource(module, found);
  if (!loaded) return {};
  const void* data = LockResource(loaded);
  const DWORD size = SizeofResource(module, found);
  if (!data || size == 0) return {};
  return {static_cast<const uint8_t*>(data), size_t(size)};
}

}  // namespace platform
