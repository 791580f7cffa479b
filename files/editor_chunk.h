// The editor's look in the instance state: the "edtr" chunk, 40 bytes, with
// "bgcl" (version 1: the background colour choice, -1 for none) and "gscl"
// (version 0: the GUI scale as a float).
#pragma once

#include <cstddef>
#include <cstdint>

#include "riff/chunk.h"

namespace files {

constexpr uint32_t editor_chunk_size = 40;
constexpr int32_t no_background = -1;

struct editor_look {
  int32_t background = no_background;  // colour preset index, -1: none
  float scale = 1.f;
  bool has_scale = false;              // a "gscl" of version 0 was read
};

// Writes the whole "edtr" chunk (or measures it with a null dest): 40.
uint32_t write_editor_chunk(uint8_t* dest, const editor_look& look);

// Reads an "edtr" chunk. "bgcl" version 1 gives the choice as stored;
// version 0 maps the old choices 0..11 through the table of the older
// editor (12 and above give 13, a negative one none); no "bgcl" gives -1. "gscl" counts only in
// version 0 with a finite, positive scale.
editor_look read_editor_chunk(riff::chunk_view edtr);

}  // namespace files
