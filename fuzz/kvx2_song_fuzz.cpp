// Fuzz target: "KVX2" sequence files (patterns, positions, instrument
// records, samples). What loads stays inside its bounds and plays.
#include "fuzz/song_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzz_support::run_song_input(sequencer::parse_kvx2, data, size);
}
