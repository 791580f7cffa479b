// The module's entry points. Hosts look for GetPluginFactory on every
// platform, for ModuleEntry/ModuleExit on Linux (vst3_entry_posix.cpp) and
// InitDll/ExitDll on Windows (vst3_entry_win32.cpp); everything else in the
// library stays hidden (vst3_exports.map, vst3_exports.def).
#include "plugin/vst3/entry.h"
#include "plugin/vst3/factory.h"

VST3_EXPORT vst3::IPluginFactory* VST3_CALL GetPluginFactory() {
  vst3::IPluginFactory* f = vst3_shell::plugin_factory();
  f->addRef();  // the caller's reference (a no-op on the module's static factory)
  return f;
}
