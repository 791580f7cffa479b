// The effect slots in the instance state: "vfxl" (version, count of filled
// slots, then one "vfxs" per filled slot in slot order), each "vfxs" holding
// the effect's registry name ("name") and its parameters ("pars": layout
// version, count, values).
#pragma once

#include <cstdint>

#include "fx/chain.h"
#include "riff/chunk.h"

namespace files {

uint32_t write_effects_chunk(uint8_t* dest, const fx::chain& chain);
// The i-th chunk after the fixed fields goes into slot i (at most four); a
// missing or unknown name empties the slot, and slots past the count are
// emptied, so a loaded state decides the whole chain. Call without the
// engine lock: effects are built before the chain takes it for the swap.
void read_effects_chunk(riff::chunk_view c, fx::chain& chain);

}  // namespace files
