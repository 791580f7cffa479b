// The "smpl" chunk (one PCM record: eight fixed fields, a "name" child and a
// "data" child) and the "pcms" list of them inside the instance state.
#pragma once

#include <cstdint>

#include "riff/chunk.h"
#include "synth/pcm_list.h"

namespace files {

uint32_t write_smpl_chunk(uint8_t* dest, const synth::pcm_record& r);
// Reads c (a "smpl" chunk) into r. The frame count is limited to the frames
// its "data" child holds, so a damaged count cannot make us allocate memory
// the file does not back; without usable data the record is empty.
void read_smpl_chunk(riff::chunk_view c, synth::pcm_record& r);

uint32_t write_pcms_chunk(uint8_t* dest, const synth::pcm_list& list);
// Replaces the list when c is a version-0 "pcms" with at least one entry
// that starts with a "smpl" chunk; false (list unchanged) otherwise. Call
// under the engine lock.
bool read_pcms_chunk(riff::chunk_view c, synth::pcm_list& list);

}  // namespace files
