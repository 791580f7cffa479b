// A private effVendorSpecific request through which our own tools (vorn-render)
// fill the effect slots of an instance, the way the editor's slot commands
// do. Hosts never send these codes; any other vendor request is unaffected.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/vst2.h"

namespace plugin {

constexpr int32_t tool_request_index = vst_fourcc('V', 'o', 'r', 'n');
constexpr int32_t fx_slot_request_value = vst_fourcc('F', 'x', 'S', 'l');

struct fx_slot_request {
  static constexpr size_t display_capacity = 64;

  int32_t slot = 0;        // 0..3
  int32_t parameter = -1;  // -1: put `name` into the slot; else set this parameter
  float value = 0.f;       // the parameter's value in its own range
  const char* name = "-";  // effect name; "-" empties the slot
  char display[display_capacity] = {};  // out: the effect's name, or "name = display"
};

}  // namespace plugin
