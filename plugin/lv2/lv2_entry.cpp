// The plug-in module's one exported name: lv2_descriptor.
#include <cstring>

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>

#include "plugin/lv2/lv2_plugin.h"
#include "plugin/lv2/lv2_state.h"

namespace {

using plugin::lv2::dsp_link;
using plugin::lv2::lv2_plugin;

lv2_plugin* plugin_of(LV2_Handle handle) { return static_cast<lv2_plugin*>(static_cast<dsp_link*>(handle)); }

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features) {
  lv2_plugin* self = lv2_plugin::create(rate, features);
  return self ? static_cast<dsp_link*>(self) : nullptr;
}

void connect_port(LV2_Handle handle, uint32_t port, void* data) { plugin_of(handle)->connect(port, data); }
void activate(LV2_Handle handle) { plugin_of(handle)->activate(); }
void run(LV2_Handle handle, uint32_t frames) { plugin_of(handle)->run(frames); }
void deactivate(LV2_Handle handle) { plugin_of(handle)->deactivate(); }
void cleanup(LV2_Handle handle) { delete plugin_of(handle); }

const void* extension_data(const char* uri) {
  if (std::strcmp(uri, LV2_STATE__interface) == 0) return &plugin::lv2::state_interface;
  return nullptr;
}

const LV2_Descriptor descriptor = {plugin::lv2::plugin_uri, instantiate, connect_port, activate, run, deactivate,
                                   cleanup, extension_data};

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
  return index == 0 ? &descriptor : nullptr;
}
