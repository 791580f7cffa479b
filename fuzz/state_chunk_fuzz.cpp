// Fuzz target: the instance state "vorn" read into an engine. Whatever it
// accepts must save at the size it measures, and saving, reading the saved
// state into the same engine and saving again must give the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "files/instance_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static synth::synth* engine = new synth::synth();
  files::read_state(data, size, *engine);
  std::vector<uint8_t> first(files::write_state(nullptr, *engine));
  if (files::write_state(first.data(), *engine) != first.size()) std::abort();
  if (!files::read_state(first.data(), first.size(), *engine)) std::abort();
  std::vector<uint8_t> second(files::write_state(nullptr, *engine));
  files::write_state(second.data(), *engine);
  if (first != second) std::abort();
  return 0;
}
