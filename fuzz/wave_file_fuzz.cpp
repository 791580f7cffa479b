// Fuzz target: riff::load's parser and the conversion of what it read into a
// PCM record, including the guard frames and the loop.
#include <cstdint>
#include <cstdlib>

#include "files/wave_load.h"
#include "riff/wave_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  riff::wave_reader wave;
  const bool failed = wave.parse(data, size);
  if (failed != (wave.error != riff::wave_error::none)) std::abort();
  synth::pcm_record r;
  const int result = synth::convert_wave(wave, r);
  if (result == 0 && r.length > 0) {
    if (!r.filled()) std::abort();
    if (r.loop && (r.loop_start < 0 || r.loop_end >= r.length || r.loop_start > r.loop_end)) std::abort();
  }
  return 0;
}
