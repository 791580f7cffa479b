// The plug-in module's one exported name: lv2_descriptor.
#include <cstring>

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/worker/worker.h>

#include "plugin/lv2/lv2_plugin.h"
#include "plugin/lv2/lv2_state.h"

namespace {

using plugin::lv2::lv2_plugin;

lv2_plugin* plugin_of(LV2_Handle handle) { return static_cast<lv2_plugin*>(handle); }

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features) {
  return lv2_plugin::create(rate, features);
}

void connect_port(LV2_Handle handle, uint32_t port, void* data) { plugin_of(handle)->connect(port, data); }
void activate(LV2_Handle handle) { plugin_of(handle)->activate(); }
void run(LV2_Handle handle, uint32_t frames) { plugin_of(handle)->run(frames); }
void deactivate(LV2_Handle handle) { plugin_of(handle)->deactivate(); }
void cleanup(LV2_Handle handle) { delete plugin_of(handle); }

LV2_Worker_Status work(LV2_Handle handle, LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle to,
                       uint32_t size, const void* data) {
  return plugin_of(handle)->work(respond, to, size, data);
}

LV2_Worker_Status work_response(LV2_Handle handle, uint32_t size, const void* body) {
  return plugin_of(handle)->work_response(size, body);
}

const LV2_Worker_Interface worker_interface = {work, work_response, nullptr};

const void* extension_data(const char* uri) {
  if (std::strcmp(uri, LV2_STATE__interface) == 0) return &plugin::lv2::state_interface;
  if (std::strcmp(uri, LV2_WORKER__interface) == 0) return &worker_interface;
  return nullptr;
}

const LV2_Descriptor descriptor = {plugin::lv2::plugin_uri, instantiate, connect_port, activate, run, deactivate,
                                   cleanup, extension_data};

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
  return index == 0 ? &descriptor : nullptr;
}
