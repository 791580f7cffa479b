// Fuzz target: AHX modules ("THX", versions 0 and 1). What loads stays inside
// its bounds and plays, playlists and all.
#include "fuzz/song_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzz_support::run_song_input(sequencer::parse_ahx, data, size);
}
