// The plug-in's live readings on its notify port, for the UI's mirror
// (which never renders): an object of type vorn:Live whose vorn:readings
// is an atom:Vector of live_readings::value_count floats.
#pragma once

#include <cstdint>

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>

#include "plugin/live_readings.h"
#include "plugin/lv2/lv2_urids.h"

namespace plugin::lv2 {

// The bytes one message takes in a sequence, its event header included.
constexpr uint32_t live_event_bytes = uint32_t(sizeof(LV2_Atom_Event) + sizeof(LV2_Atom_Object_Body) +
                                               sizeof(LV2_Atom_Property_Body) + sizeof(LV2_Atom_Vector_Body) +
                                               live_readings::value_count * sizeof(float) + 8);

// Writes the object at the forge's position (the event's time already
// written); false when the buffer ran out.
bool forge_live(LV2_Atom_Forge& forge, const urids& ids, const live_values& values);
// False unless `atom` is a whole live message.
bool read_live_message(const LV2_Atom* atom, const urids& ids, live_values& out);

}  // namespace plugin::lv2
