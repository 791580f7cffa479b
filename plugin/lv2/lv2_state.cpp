#include "plugin/lv2/lv2_state.h"

#include "plugin/lv2/lv2_plugin.h"

namespace plugin::lv2 {

namespace {

lv2_plugin* plugin_of(LV2_Handle handle) { return static_cast<lv2_plugin*>(handle); }

LV2_State_Status save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state, uint32_t flags,
                      const LV2_Feature* const* features) {
  lv2_plugin* self = plugin_of(handle);
  LV2_State_Status status = LV2_STATE_ERR_UNKNOWN;
  // The host copies the value while the worker cannot save over it.
  self->with_saved_state([&](const uint8_t* bytes, size_t size) {
    if (bytes && size > 0)
      status = store(state, self->ids().state_key, bytes, size, self->ids().atom_chunk,
                     LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
  });
  return status;
}

LV2_State_Status restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve, LV2_State_Handle state,
                         uint32_t flags, const LV2_Feature* const* features) {
  lv2_plugin* self = plugin_of(handle);
  size_t size = 0;
  uint32_t type = 0;
  uint32_t value_flags = 0;
  const void* bytes = retrieve(state, self->ids().state_key, &size, &type, &value_flags);
  if (!bytes) return LV2_STATE_ERR_NO_PROPERTY;
  if (type != self->ids().atom_chunk) return LV2_STATE_ERR_BAD_TYPE;
  if (!self->inst().load_state(static_cast<const uint8_t*>(bytes), size)) return LV2_STATE_ERR_UNKNOWN;
  self->state_restored();
  return LV2_STATE_SUCCESS;
}

}  // namespace

const LV2_State_Interface state_interface = {save, restore};

}  // namespace plugin::lv2
