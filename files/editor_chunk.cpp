#include "files/editor_chunk.h"

#include <cmath>
#include <iterator>

#include "riff/bytes.h"

namespace files {

namespace {

constexpr uint32_t look_child_size = 16;
constexpr uint32_t background_version = 1;
constexpr uint32_t scale_version = 0;

// The colour choices of the older editor, in the order of today's presets.
constexpr int32_t old_background[] = {0, 1, 2, 4, 6, 8, 9, 10, 12, 13, 20, 15};
constexpr int32_t old_background_default = 13;

}  // namespace

uint32_t write_editor_chunk(uint8_t* dest, const editor_look& look) {
  riff::chunk_writer w(dest);
  w.id("edtr");
  w.u32(editor_chunk_size);
  w.id("bgcl");
  w.u32(look_child_size);
  w.u32(background_version);
  w.i32(look.background);
  w.id("gscl");
  w.u32(look_child_size);
  w.u32(scale_version);
  w.f32(look.scale);
  return w.size();
}

editor_look read_editor_chunk(riff::chunk_view edtr) {
  editor_look look;
  if (!edtr) return look;
  const riff::chunk_view bgcl = riff::find_chunk(edtr, "bgcl");
  if (bgcl && bgcl.size >= look_child_size) {
    const uint32_t version = riff::read_u32(bgcl.payload());
    const int32_t choice = int32_t(riff::read_u32(bgcl.payload() + 4));
    if (version == background_version) {
      look.background = choice;
    } else if (version == 0) {
      // A negative old choice meant none, as it does now.
      look.background = choice < 0 ? no_background
                        : choice < int32_t(std::size(old_background)) ? old_background[choice]
                                                                      : old_background_default;
    }
  }
  const riff::chunk_view gscl = riff::find_chunk(edtr, "gscl");
  if (gscl && gscl.size >= look_child_size && riff::read_u32(gscl.payload()) == scale_version) {
    const float s = riff::read_f32(gscl.payload() + 4);
    if (std::isfinite(s) && s > 0.f) {
      look.scale = s;
      look.has_scale = true;
    }
  }
  return look;
}

}  // namespace files
