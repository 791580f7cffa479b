// Fuzz target: the Standard MIDI File reader. Any byte string must parse or
// fail with a reason; a parsed song is time-ordered and finite.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/render/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  midi::song song;
  std::string error;
  if (!midi::parse(data, size, song, error)) {
    if (error.empty() || !song.messages.empty()) std::abort();
    return 0;
  }
  double previous = 0.0;
  for (const midi::timed_message& m : song.messages) {
    if (!std::isfinite(m.seconds) || m.seconds < previous) std::abort();
    if (m.size < 2 || m.size > 3 || (m.bytes[0] & 0x80) == 0) std::abort();
    previous = m.seconds;
  }
  return 0;
}
