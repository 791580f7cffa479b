// Fuzz target: preset files of both generations ("kvxi" chunks and legacy
// "KVXi" records). Whatever loads must hold limited values and bounded names,
// and write back as a chunk that reads back to the same record.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "files/preset_chunk.h"
#include "files/preset_files.h"
#include "riff/bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const synth::preset init = [] {
    synth::preset p;
    synth::build_factory_init(p);
    return p;
  }();
  synth::preset p = init;
  files::load_preset_data(data, size, init, p);
  if (p.name.size() > synth::preset_name_max || p.category.size() > synth::preset_name_max) std::abort();
  std::vector<uint8_t> out(files::write_preset_chunk(nullptr, p));
  if (files::write_preset_chunk(out.data(), p) != out.size()) std::abort();
  synth::preset back = init;
  if (!files::read_preset_chunk(riff::chunk_at(out.data(), out.size()), back)) std::abort();
  for (int i = 0; i < synth::preset_param_count; ++i)
    if (riff::f32_bits(back.get(i)) != riff::f32_bits(p.get(i))) std::abort();
  return 0;
}
