// Fuzz target: effSetChunk as a host calls it, for a preset (first byte odd)
// or the whole state, on a plug-in instance; then effGetChunk of both kinds.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "plugin/vst2/synth_plugin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static plugin::synth_plugin* instance = plugin::synth_plugin::create(nullptr);
  if (size < 1) return 0;
  AEffect* e = instance->effect();
  const intptr_t is_preset = data[0] & 1;
  std::vector<uint8_t> chunk(data + 1, data + size);
  e->dispatcher(e, effSetChunk, int32_t(is_preset), intptr_t(chunk.size()), chunk.empty() ? nullptr : chunk.data(), 0.f);
  for (int32_t kind = 0; kind < 2; ++kind) {
    void* out = nullptr;
    const intptr_t n = e->dispatcher(e, effGetChunk, kind, 0, &out, 0.f);
    if (n <= 0 || !out) std::abort();
  }
  return 0;
}
