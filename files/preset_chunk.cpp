#include "files/preset_chunk.h"

#include "files/vals_migration.h"
#include "platform/utf8.h"
#include "riff/bytes.h"

namespace files {

std::string stored_name(std::string text) {
  text.resize(platform::utf8_prefix(text, synth::preset_name_max));  // never half a character
  return text;
}

uint32_t write_preset_chunk(uint8_t* dest, const synth::preset& p) {
  const uint32_t size = riff::write_string_chunk(nullptr, p.name, "name") +
                        riff::write_string_chunk(nullptr, p.category, "ctgr") + riff::header_size +
                        vals_chunk_size;
  riff::chunk_writer w(dest);
  w.id("kvxi");
  w.u32(size);
  w.child([&](uint8_t* d) { return riff::write_string_chunk(d, p.name, "name"); });
  w.child([&](uint8_t* d) { return riff::write_string_chunk(d, p.category, "ctgr"); });
  w.id("vals");
  w.u32(vals_chunk_size);
  w.i32(values_version);
  for (int i = 0; i < synth::preset_param_count; ++i) w.f32(p.get(i));
  return w.size();
}

void read_vals(riff::chunk_view vals, synth::preset& p) {
  if (!vals.has(riff::header_size, 4)) return;
  const int32_t version = riff::read_i32(vals.payload());
  if (version > values_version) return;
  p.values_version = version;
  uint32_t count = (vals.size - 12) / 4;
  if (count > uint32_t(synth::preset_param_count)) count = synth::preset_param_count;
  float v[synth::preset_param_count];
  for (uint32_t i = 0; i < uint32_t(synth::preset_param_count); ++i)
    v[i] = i < count ? riff::read_f32(vals.data + 12 + 4 * i) : synth::param_row(int(i)).def;
  migrate_values(v, version);
  for (int i = 0; i < synth::preset_param_count; ++i) p.set(i, v[i]);
  synth::limit_values(p);
}

bool read_preset_chunk(riff::chunk_view c, synth::preset& p) {
  if (!c.is("kvxi")) return false;
  p.name = stored_name(riff::read_string_chunk(riff::find_chunk(c, "name")));
  p.category = stored_name(riff::read_string_chunk(riff::find_chunk(c, "ctgr")));
  if (const riff::chunk_view vals = riff::find_chunk(c, "vals")) read_vals(vals, p);
  return true;
}

uint32_t write_bank_chunk(uint8_t* dest, const synth::bank& b) {
  uint32_t size = 20 + riff::write_string_chunk(nullptr, b.name, "name");
  for (const synth::preset& p : b.slots) size += write_preset_chunk(nullptr, p);
  riff::chunk_writer w(dest);
  w.id("kvxb");
  w.u32(size);
  w.child([&](uint8_t* d) { return riff::write_string_chunk(d, b.name, "name"); });
  w.id("list");
  w.u32(12);
  w.u32(synth::bank_size);
  for (const synth::preset& p : b.slots) w.child([&](uint8_t* d) { return write_preset_chunk(d, p); });
  return w.size();
}

bool read_bank_chunk(riff::chunk_view c, synth::bank& b) {
  if (!c.is("kvxb")) return false;
  b.name = riff::read_string_chunk(riff::find_chunk(c, "name"));
  const riff::chunk_view list = riff::find_chunk(c, "list");
  if (!list.has(riff::header_size, 4)) return true;
  const uint32_t count = riff::read_u32(list.payload());
  // The presets follow the 12 bytes of "list" as its siblings.
  uint32_t at = uint32_t(list.data - c.data) + 12;
  for (uint32_t i = 0; i < count && i < uint32_t(synth::bank_size); ++i) {
    const riff::chunk_view preset = riff::child_at(c, at);
    if (!preset) break;
    read_preset_chunk(preset, b.slots[i]);
    at += preset.size;
  }
  return true;
}

}  // namespace files
