// Fuzz target: controller map files ("mdcc" read without an id check). Every
// entry afterwards is unmapped or a valid parameter.
#include <cstdint>
#include <cstdlib>

#include "files/state_controls.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  synth::cc_map map;
  files::read_cc_map_chunk(data, size, map);
  for (int c = 0; c < synth::cc_map::controller_count; ++c) {
    const int e = map.entry(c);
    if (e != synth::cc_map::unmapped && !synth::param_valid(e)) std::abort();
  }
  return 0;
}
