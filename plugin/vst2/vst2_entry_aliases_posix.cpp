// The older entry names of the ELF plug-in, forwarding to VSTPluginMain.
#include "plugin/vst2/vst2.h"

VST_EXPORT AEffect* VSTPluginMain(audioMasterCallback host);

// C++ forbids a function called main with this signature, so the alias is made
// with an assembler name; MAIN is the legacy spelling.
VST_EXPORT AEffect* vorn_main_alias(audioMasterCallback host) __asm__("main");
VST_EXPORT AEffect* vorn_main_alias(audioMasterCallback host) { return VSTPluginMain(host); }

VST_EXPORT AEffect* MAIN(audioMasterCallback host) { return VSTPluginMain(host); }
