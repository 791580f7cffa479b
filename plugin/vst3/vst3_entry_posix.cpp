// The Linux module entry: the host calls ModuleEntry with its dlopen handle
// right after loading, ModuleExit before unloading. The instrument needs the
// handle for nothing, so the calls only count.
#include "plugin/vst3/entry.h"

namespace vst3_shell {
int module_entries = 0;
}

VST3_EXPORT bool ModuleEntry(void* library_handle) {
  ++vst3_shell::module_entries;
  return true;
}

VST3_EXPORT bool ModuleExit() {
  if (vst3_shell::module_entries > 0) --vst3_shell::module_entries;
  return true;
}
