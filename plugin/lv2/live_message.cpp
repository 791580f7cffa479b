#include "plugin/lv2/live_message.h"

#include <cstring>

#include <lv2/atom/util.h>

namespace plugin::lv2 {

bool forge_live(LV2_Atom_Forge& forge, const urids& ids, const live_values& values) {
  LV2_Atom_Forge_Frame frame;
  if (!lv2_atom_forge_object(&forge, &frame, 0, ids.live)) return false;
  const bool whole = lv2_atom_forge_key(&forge, ids.readings) &&
                     lv2_atom_forge_vector(&forge, sizeof(float), ids.atom_float, uint32_t(values.size()),
                                           values.data());
  lv2_atom_forge_pop(&forge, &frame);
  return whole;
}

bool read_live_message(const LV2_Atom* atom, const urids& ids, live_values& out) {
  if (!atom || (atom->type != ids.atom_object && atom->type != ids.atom_blank)) return false;
  if (atom->size < sizeof(LV2_Atom_Object_Body)) return false;
  const auto* object = reinterpret_cast<const LV2_Atom_Object*>(atom);
  if (object->body.otype != ids.live) return false;
  const LV2_Atom* readings = nullptr;
  lv2_atom_object_get(object, ids.readings, &readings, 0);
  if (!readings || readings->type != ids.atom_vector || readings->size < sizeof(LV2_Atom_Vector_Body)) return false;
  const auto* vector = reinterpret_cast<const LV2_Atom_Vector*>(readings);
  const uint32_t bytes = uint32_t(out.size() * sizeof(float));
  if (vector->body.child_type != ids.atom_float || vector->body.child_size != sizeof(float) ||
      readings->size - sizeof(LV2_Atom_Vector_Body) != bytes)
    return false;
  std::memcpy(out.data(), vector + 1, bytes);
  return true;
}

}  // namespace plugin::lv2
