// Fuzz target: the Scala readers (.scl scales and .kbm keyboard mappings) and
// the key table built from them. The input is split at its first zero byte
// into a scale text and a mapping text, so both readers and their meeting
// are reached. A table that builds holds only finite pitches within range;
// a failure leaves the table it was given untouched.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "synth/scala_keymap.h"
#include "synth/scala_scale.h"
#include "synth/tuning.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const size_t zero = all.find('\0');
  const std::string_view scale_text = all.substr(0, zero);
  const std::string_view keymap_text = zero == std::string_view::npos ? std::string_view() : all.substr(zero + 1);

  synth::scala_scale scale;
  if (synth::read_scala_scale(scale_text, scale).empty()) {
    if (scale.size() < 1 || scale.size() > synth::max_scale_notes || !(scale.period() > 0)) std::abort();
  } else if (scale.size() != 0) {
    std::abort();  // a failed read changed its output
  }
  synth::scala_keymap map;
  if (synth::read_scala_keymap(keymap_text, map).empty() && int(map.map.size()) > synth::max_keymap_size) std::abort();

  synth::tuning_table table;
  table.pitch.fill(-7.f);
  if (synth::tuning_from_texts(scale_text, keymap_text, table).empty()) {
    if (!table.active) std::abort();
    for (int k = 0; k < synth::tuning_keys; ++k) {
      if (!table.mapped[size_t(k)]) continue;
      const float p = table.pitch[size_t(k)];
      if (!std::isfinite(p) || p < synth::lowest_key_pitch || p > synth::highest_key_pitch) std::abort();
    }
  } else {
    for (float p : table.pitch)
      if (p != -7.f) std::abort();
    if (table.active) std::abort();
  }
  return 0;
}
