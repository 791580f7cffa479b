// Fuzz target: the text of a factory sound or rig, read into its records and
// every "Route N:" line of its [Instance] through the route reader. A route
// that reads has a source, a parameter, a mode and a finite depth other than
// 0, so the engine takes it as in use.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "synth/param_table.h"
#include "tools/factory/route_text.h"
#include "tools/factory/sound_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  factory::sound_text sound;
  std::string error;
  const bool read = factory::read_sound_text(text, sound, error);
  if (read == !error.empty()) std::abort();
  if (read && sound.name.empty()) std::abort();
  for (const factory::insert_block& b : sound.inserts)
    if (b.slot < 1 || b.slot > 4 || b.effect.empty()) std::abort();
  // Every line is tried as a route as well, so the route reader sees the
  // whole input whether or not the sound reads.
  for (size_t from = 0; from <= text.size();) {
    size_t end = text.find('\n', from);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(from, end - from);
    from = end + 1;
    const size_t colon = line.find(':');
    const std::string value = colon == std::string::npos ? line : line.substr(colon + 1);
    if (colon != std::string::npos) {
      const int row = factory::route_row(line.substr(0, colon));
      if (row < -1 || row >= synth::route_count) std::abort();
    }
    synth::route r;
    std::string why;
    if (!factory::parse_route(value, r, why)) {
      if (why.empty()) std::abort();
      continue;
    }
    if (!r.in_use() || r.dest_index < 0 || r.dest_index >= synth::preset_param_count) std::abort();
  }
  return 0;
}
