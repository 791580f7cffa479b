// placeholder until the instance lands
#include "plugin/vst2.h"
extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback) { return nullptr; }
