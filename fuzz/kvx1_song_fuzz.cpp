// Fuzz target: "KVX1" sequence files. What loads stays inside its bounds and
// plays through the player without reaching outside them.
#include "fuzz/song_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzz_support::run_song_input(
      [](const uint8_t* d, size_t n, const sequencer::load_context&, sequencer::song_load& out) {
        return sequencer::parse_kvx1(d, n, out);
      },
      data, size);
}
