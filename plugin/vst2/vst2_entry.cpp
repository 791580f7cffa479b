// The plug-in's only exported function. Hosts look for it under three names:
// the ELF build adds two forwarding functions (vst2_entry_aliases_posix.cpp),
// the Windows export table names this one function three times
// (vst2_exports.def). Everything else in the library stays hidden.
#include "platform/fp_mode.h"
#include "plugin/vst2/synth_plugin.h"
#include "plugin/vst2/vst2.h"

namespace plugin {

// Here rather than beside create: the instance's own editor comes with the
// editor library, which only the module links.
synth_plugin* synth_plugin::create_with_editor(audioMasterCallback host) {
  synth_plugin* p = allocate(host);
  if (!p) return nullptr;
  return attach(p, instance::create(p->shell_for_instance(), true));
}

}  // namespace plugin

VST_EXPORT AEffect* VST_CALL VSTPluginMain(audioMasterCallback host) {
  platform::scoped_fp_mode fp_mode(platform::control_fp_mode);  // the engine computes its tables
  plugin::synth_plugin* instance = plugin::synth_plugin::create_with_editor(host);
  return instance ? instance->effect() : nullptr;
}
