// Sorting the bank by its names and categories (letters compared without
// case; equal keys keep their order).
#pragma once

#include "synth/engine.h"

namespace files {

enum class bank_order {
  within_categories,  // every category keeps its slots; its presets by name there
  by_category,        // categories in order, each with its presets by name
};

// The slot each position takes its preset from: order[i] = old slot of new slot i.
void sorted_slots(const synth::bank& b, bank_order order, int (&out)[synth::bank_size]);
// Reorders the engine's bank; the display-refresh and program-changed flags rise.
void sort_bank(synth::synth& engine, bank_order order);

}  // namespace files
