// The private vendor requests of our tools (plugin/tool_request.h).
#include <cstdio>

#include "plugin/synth_plugin.h"
#include "plugin/tool_request.h"

namespace plugin {

namespace {

// Slot request: 1 when the slot holds an effect afterwards (or the parameter
// exists), 0 otherwise. Runs on the host's user-interface thread, like the
// editor's slot commands.
intptr_t fx_slot(synth::synth& engine, fx_slot_request& r) {
  fx::chain& chain = engine.effects();
  if (r.slot < 0 || r.slot >= fx::chain::slot_count) return 0;
  if (r.parameter < 0) {
    if (!chain.set_effect(r.slot, r.name ? r.name : "-")) {
      copy_text(r.display, "-", sizeof r.display);
      return 0;
    }
    copy_text(r.display, chain.slot(r.slot)->name(), sizeof r.display);
    return 1;
  }
  fx::effect* e = chain.slot(r.slot);
  if (!e || r.parameter >= e->param_count()) return 0;
  e->set_value(r.parameter, r.value);
  char shown[fx_slot_request::display_capacity];
  e->format_value(r.parameter, shown, sizeof shown);
  std::snprintf(r.display, sizeof r.display, "%.20s = %.40s", e->desc(r.parameter).name, shown);
  return 1;
}

}  // namespace

intptr_t synth_plugin::vendor_specific(int32_t index, intptr_t value, void* ptr, float) {
  if (index == tool_request_index && value == fx_slot_request_value && ptr)
    return fx_slot(engine_, *static_cast<fx_slot_request*>(ptr));
  return 0;
}

}  // namespace plugin
