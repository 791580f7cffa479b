#include "files/tuning_chunk.h"

#include "riff/bytes.h"

namespace files {

namespace {

constexpr uint32_t tuning_version = 0;
constexpr uint32_t mpe_version = 0;
constexpr uint32_t version_size = 4;

}  // namespace

uint32_t write_tuning_chunk(uint8_t* dest, const synth::synth& engine) {
  if (!engine.tuned()) return 0;
  const synth::tuning_texts& t = engine.tuning_source();
  const uint32_t size = riff::header_size + version_size + riff::write_string_chunk(nullptr, t.scale, "scl ") +
                        riff::write_string_chunk(nullptr, t.keymap, "kbm ");
  riff::chunk_writer w(dest);
  w.id("tune");
  w.u32(size);
  w.u32(tuning_version);
  w.child([&](uint8_t* d) { return riff::write_string_chunk(d, t.scale, "scl "); });
  w.child([&](uint8_t* d) { return riff::write_string_chunk(d, t.keymap, "kbm "); });
  return w.size();
}

void read_tuning_chunk(riff::chunk_view c, synth::synth& engine) {
  if (!c || !c.has(riff::header_size, version_size) || riff::read_u32(c.payload()) != tuning_version) {
    engine.reset_tuning();
    return;
  }
  const uint32_t first = riff::header_size + version_size;
  const std::string scale = riff::read_string_chunk(riff::find_chunk(c, "scl ", first));
  const std::string keymap = riff::read_string_chunk(riff::find_chunk(c, "kbm ", first));
  if (scale.empty() || !engine.set_tuning(scale, keymap).empty()) engine.reset_tuning();
}

uint32_t write_mpe_chunk(uint8_t* dest, synth::synth& engine) {
  if (!engine.mpe()) return 0;
  int lower = 0, upper = 0;
  engine.mpe_zone_sizes(lower, upper);
  riff::chunk_writer w(dest);
  w.id("mpe ");
  w.u32(mpe_chunk_size);
  w.u32(mpe_version);
  w.u32(1);
  w.u32(uint32_t(lower));
  w.u32(uint32_t(upper));
  return w.size();
}

void read_mpe_chunk(riff::chunk_view c, synth::synth& engine) {
  if (!c || c.size < mpe_chunk_size || riff::read_u32(c.payload()) != mpe_version) {
    engine.set_mpe_zones(false, synth::mpe_max_members, 0);
    return;
  }
  const uint8_t* p = c.payload() + version_size;
  const auto bounded = [](uint32_t v) { return int(v > synth::mpe_max_members ? synth::mpe_max_members : v); };
  engine.set_mpe_zones(riff::read_u32(p) != 0, bounded(riff::read_u32(p + 4)), bounded(riff::read_u32(p + 8)));
}

}  // namespace files
