#include "tools/vsthost/host_callback.h"

#include <mutex>
#include <unordered_map>

#include "tools/vsthost/plugin_instance.h"

namespace vsthost {

namespace {

thread_local plugin_instance* being_created = nullptr;

struct registry {
  std::mutex mutex;
  std::unordered_map<AEffect*, plugin_instance*> instances;
};

registry& the_registry() {
  static registry r;
  return r;
}

}  // namespace

void set_instance_being_created(plugin_instance* instance) { being_created = instance; }

void register_effect(AEffect* effect, plugin_instance* instance) {
  if (!effect) return;
  registry& r = the_registry();
  std::lock_guard<std::mutex> hold(r.mutex);
  r.instances[effect] = instance;
}

void unregister_effect(AEffect* effect) {
  registry& r = the_registry();
  std::lock_guard<std::mutex> hold(r.mutex);
  r.instances.erase(effect);
}

plugin_instance* find_instance(AEffect* effect) {
  if (effect) {
    registry& r = the_registry();
    std::lock_guard<std::mutex> hold(r.mutex);
    auto it = r.instances.find(effect);
    if (it != r.instances.end()) return it->second;
  }
  return being_created;
}

intptr_t VST_CALL host_callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                void* ptr, float opt) {
  // Hosts refuse plug-ins whose version query fails, and plug-ins refuse hosts
  // that answer 0: the answer must not depend on knowing the instance.
  if (opcode == audioMasterVersion) return kVstVersion;
  plugin_instance* instance = find_instance(effect);
  if (!instance) return plugin_instance::answer_without_instance(opcode, ptr);
  return instance->on_host_call(opcode, index, value, ptr, opt);
}

}  // namespace vsthost
