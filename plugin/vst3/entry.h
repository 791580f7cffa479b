// How the module's entry functions are declared: C names, visible outside
// the library. Which names are exported is decided at link time.
#pragma once

#include "plugin/vst3/vst3_abi.h"

#define VST3_EXPORT extern "C" __attribute__((visibility("default")))

namespace vst3_shell {

// ModuleEntry/InitDll calls not yet matched by an exit; the entry may come
// more than once per process.
extern int module_entries;

}  // namespace vst3_shell
