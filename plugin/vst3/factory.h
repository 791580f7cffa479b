// The module's one factory: it lists the instrument's class and makes its
// instances. A static object with no-op reference counting, since it lives
// as long as the module.
#pragma once

#include "plugin/vst3/vst3_abi.h"

namespace vst3_shell {

vst3::IPluginFactory* plugin_factory();

}  // namespace vst3_shell
