// Fuzz target: bank files of both generations ("kvxb" chunks and legacy
// "KVXb" files). A loaded bank must write back at its measured size.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "files/preset_chunk.h"
#include "files/preset_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const synth::preset init = [] {
    synth::preset p;
    synth::build_factory_init(p);
    return p;
  }();
  auto b = std::make_unique<synth::bank>();
  for (synth::preset& p : b->slots) p = init;
  files::load_bank_data(data, size, init, *b);
  for (const synth::preset& p : b->slots)
    if (p.name.size() > synth::preset_name_max) std::abort();
  std::vector<uint8_t> out(files::write_bank_chunk(nullptr, *b));
  if (files::write_bank_chunk(out.data(), *b) != out.size()) std::abort();
  return 0;
}
