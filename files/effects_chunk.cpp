#include "files/effects_chunk.h"

#include <algorithm>
#include <vector>

#include "fx/chain.h"
#include "riff/bytes.h"

namespace files {

namespace {

constexpr uint32_t list_fixed = riff::header_size + 8;  // version, count
constexpr uint32_t pars_fixed = riff::header_size + 8;  // layout version, count

uint32_t write_slot_chunk(uint8_t* dest, const fx::slot_state& s) {
  const uint32_t count = uint32_t(std::clamp(s.count, 0, fx::max_params));
  const uint32_t name_size = riff::write_string_chunk(nullptr, s.name, "name");
  riff::chunk_writer w(dest);
  w.id("vfxs");
  w.u32(riff::header_size + name_size + pars_fixed + 4 * count);
  w.child([&](uint8_t* d) { return riff::write_string_chunk(d, s.name, "name"); });
  w.id("pars");
  w.u32(pars_fixed + 4 * count);
  w.i32(s.version);
  w.u32(count);
  for (uint32_t i = 0; i < count; ++i) w.f32(s.values[i]);
  return w.size();
}

}  // namespace

uint32_t write_effects_chunk(uint8_t* dest, const fx::chain& chain) {
  fx::slot_state slots[fx::chain::slot_count];
  uint32_t filled = 0, size = list_fixed;
  for (int i = 0; i < fx::chain::slot_count; ++i) {
    fx::slot_state s;
    if (!chain.save_slot(i, s)) continue;
    slots[filled++] = s;
    size += write_slot_chunk(nullptr, s);
  }
  riff::chunk_writer w(dest);
  w.id("vfxl");
  w.u32(size);
  w.u32(0);
  w.u32(filled);
  for (uint32_t i = 0; i < filled; ++i) w.child([&](uint8_t* d) { return write_slot_chunk(d, slots[i]); });
  return w.size();
}

void read_effects_chunk(riff::chunk_view c, fx::chain& chain) {
  if (!c.has(riff::header_size, 8)) return;
  const uint32_t count = std::min<uint32_t>(riff::read_u32(c.payload() + 4), fx::chain::slot_count);
  uint32_t at = list_fixed;
  std::vector<float> values;
  for (int slot = 0; slot < fx::chain::slot_count; ++slot) {
    const riff::chunk_view s = uint32_t(slot) < count ? riff::child_at(c, at) : riff::chunk_view{};
    if (!s) {
      chain.restore_slot(slot, nullptr, nullptr);
      continue;
    }
    at += s.size;
    const std::string name = riff::read_string_chunk(riff::find_chunk(s, "name"));
    const riff::chunk_view pars = s.is("vfxs") ? riff::find_chunk(s, "pars") : riff::chunk_view{};
    if (!pars.has(riff::header_size, 8)) {
      chain.restore_slot(slot, name.c_str(), nullptr);
      continue;
    }
    // The stored count, bounded by the values the chunk holds.
    const uint32_t n = std::min(riff::read_u32(pars.payload() + 4), (pars.size - pars_fixed) / 4);
    values.resize(n);
    for (uint32_t i = 0; i < n; ++i) values[i] = riff::read_f32(pars.data + pars_fixed + 4 * i);
    fx::param_record record;
    record.version = riff::read_i32(pars.payload());
    record.count = int32_t(n);
    record.values = values.data();
    chain.restore_slot(slot, name.c_str(), &record);
  }
}

}  // namespace files
