// The plug-in's only exported function. Hosts look for it under three names:
// the ELF build adds two forwarding functions (vst2_entry_aliases_posix.cpp),
// the Windows export table names this one function three times
// (vst2_exports.def). Everything else in the library stays hidden.
#include "editor/synth_editor.h"
#include "platform/fp_mode.h"
#include "plugin/synth_plugin.h"
#include "plugin/vst2.h"

VST_EXPORT AEffect* VST_CALL VSTPluginMain(audioMasterCallback host) {
  platform::scoped_fp_mode fp_mode(platform::control_fp_mode);  // the engine computes its tables
  plugin::synth_plugin* instance = plugin::synth_plugin::create(host, gui::make_synth_editor);
  return instance ? instance->effect() : nullptr;
}
