// Fuzz target: the editor's look chunk ("edtr") of an instance state. What it
// reads is a scale that is finite and positive when it counts, and writing
// it back reads back the same look.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "files/editor_chunk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const files::editor_look look = files::read_editor_chunk(riff::chunk_at(data, size));
  if (look.has_scale && !(look.scale > 0.f && look.scale <= 3.5e38f)) std::abort();
  if (!look.has_scale && look.scale != 1.f) std::abort();
  uint8_t out[files::editor_chunk_size];
  if (files::write_editor_chunk(nullptr, look) != sizeof out || files::write_editor_chunk(out, look) != sizeof out)
    std::abort();
  const files::editor_look back = files::read_editor_chunk(riff::chunk_at(out, sizeof out));
  if (back.background != look.background || std::memcmp(&back.scale, &look.scale, sizeof look.scale) != 0 ||
      !back.has_scale)
    std::abort();
  return 0;
}
