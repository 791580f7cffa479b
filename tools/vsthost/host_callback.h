// The single host callback handed to every plug-in entry, and the registry
// that leads it from an AEffect pointer back to the instance that owns it.
// While an entry runs, the effect is not yet known (plug-ins call back with a
// null or unregistered effect), so the instance being created on this thread
// answers those calls.
#pragma once

#include <cstdint>

#include "plugin/vst2/vst2.h"

namespace vsthost {

class plugin_instance;

intptr_t VST_CALL host_callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                void* ptr, float opt);

// Marks `instance` as the one whose entry call runs on this thread (null when
// done). Scoped by plugin_instance::create.
void set_instance_being_created(plugin_instance* instance);
void register_effect(AEffect* effect, plugin_instance* instance);
void unregister_effect(AEffect* effect);
plugin_instance* find_instance(AEffect* effect);

}  // namespace vsthost
