// Fuzz target: ".wavs" lists. The input is the list's text, written beside
// two small WAVE files in a private folder; the list loads into an engine.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "files/wave_load.h"
#include "riff/file_buffer.h"

namespace {

std::string make_folder() {
  char pattern[] = "/tmp/vorn-wavs-fuzz-XXXXXX";
  const char* dir = mkdtemp(pattern);
  if (!dir) std::abort();
  // 8-bit mono, 4 frames; and the same header with 16-bit stereo.
  const uint8_t wave8[] = {'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                           1, 0, 1, 0, 0x44, 0xAC, 0, 0, 0x44, 0xAC, 0, 0, 1, 0, 8, 0,
                           'd', 'a', 't', 'a', 4, 0, 0, 0, 0, 64, 128, 255};
  riff::file_buffer f;
  f.assign(wave8, sizeof wave8);
  if (!f.store(std::string(dir) + "/a.wav")) std::abort();
  uint8_t wave16[sizeof wave8];
  std::copy(wave8, wave8 + sizeof wave8, wave16);
  wave16[22] = 2;   // stereo
  wave16[34] = 16;  // 16 bits: one frame
  f.assign(wave16, sizeof wave16);
  if (!f.store(std::string(dir) + "/b.wav")) std::abort();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string folder = make_folder();
  static synth::synth* engine = new synth::synth();
  // Only names inside the folder: the fuzzer must not wander the file system.
  for (size_t i = 0; i < size; ++i)
    if (data[i] == '/' || data[i] == '\\' || data[i] == 0) return 0;
  riff::file_buffer list;
  list.assign(data, size);
  const std::string path = folder + "/list.wavs";
  if (!list.store(path)) std::abort();
  const std::string result = synth::load_wave(*engine, path);
  if (result.empty()) std::abort();
  if (engine->pcms().count() > 1000) std::abort();
  return 0;
}
