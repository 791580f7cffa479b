// The Windows module entry: InitDll after LoadLibrary, ExitDll before
// FreeLibrary. Both only count; DllMain does the loader's work.
#include "plugin/vst3/entry.h"

namespace vst3_shell {
int module_entries = 0;
}

VST3_EXPORT bool VST3_CALL InitDll() {
  ++vst3_shell::module_entries;
  return true;
}

VST3_EXPORT bool VST3_CALL ExitDll() {
  if (vst3_shell::module_entries > 0) --vst3_shell::module_entries;
  return true;
}
