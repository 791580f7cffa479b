// The effect registry: every effect the chain can create, by name, in the
// order of the effect list, and the slot menu the editor shows.
#pragma once

#include <memory>

#include "fx/effect.h"

namespace fx {

using effect_factory = std::unique_ptr<effect> (*)();

struct registry_entry {
  const char* name;
  effect_factory make;
};

// The registered effects in list order ("mmFilter" is not among them).
const registry_entry* registry_begin();
const registry_entry* registry_end();
int registry_size();

// The first registered effect whose name matches, byte for byte when exact,
// else ignoring case; null when none does. Allocates: never on the audio path.
std::unique_ptr<effect> create_effect(bool exact, const char* name);

// The slot menu in the editor's menu language; "-" empties a slot.
extern const char* const effect_menu;

}  // namespace fx
