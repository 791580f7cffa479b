// LV2 State: the instance's "vorn" state bytes stored as one atom:Chunk.
// The state names no files: PCM waves are carried inside it (their
// samples, not their paths), so nothing goes through state:mapPath.
#pragma once

#include <lv2/state/state.h>

namespace plugin::lv2 {

extern const LV2_State_Interface state_interface;

}  // namespace plugin::lv2
