// The plug-in's only exported function, under the three names hosts look for.
// Everything else in the library is hidden (visibility and version script).
#include "plugin/synth_plugin.h"
#include "plugin/vst2.h"

#define VORN_EXPORT extern "C" __attribute__((visibility("default")))

VORN_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) {
  plugin::synth_plugin* instance = plugin::synth_plugin::create(host);
  return instance ? instance->effect() : nullptr;
}

// C++ forbids a function called main with this signature, so the alias is made
// with an assembler name; MAIN is the legacy spelling.
VORN_EXPORT AEffect* vorn_main_alias(audioMasterCallback host) __asm__("main");
VORN_EXPORT AEffect* vorn_main_alias(audioMasterCallback host) { return VSTPluginMain(host); }

VORN_EXPORT AEffect* MAIN(audioMasterCallback host) { return VSTPluginMain(host); }
