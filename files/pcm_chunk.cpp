#include "files/pcm_chunk.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "riff/bytes.h"

namespace files {

namespace {

constexpr uint32_t pcms_fixed = riff::header_size + 8;  // version, count
// The smallest "smpl": fixed fields and an empty "name".
// 384 kHz sample played at 0.01 Hz and far beyond: no real record gets near.
constexpr float max_frames_per_cycle = 1.0e6f;
constexpr uint32_t smpl_min_size = riff::smpl_children_offset + riff::header_size;

// Stored bytes per record: 16-bit samples, or only their high bytes for
// sources of 8 bits or fewer. For the widths WAVE files give (8, 16, 32)
// this is (frames * min(bits, 16) + 7) / 8; for odd widths that rounding
// would declare fewer bytes than the samples written, so whole bytes count.
uint64_t data_bytes(uint32_t frames, uint32_t bits) { return uint64_t(frames) * (bits > 8 ? 2 : 1); }

uint32_t stored_bits(const synth::pcm_record& r) { return uint32_t(std::max(r.source_bits, 0)); }

}  // namespace

uint32_t write_smpl_chunk(uint8_t* dest, const synth::pcm_record& r) {
  const uint32_t frames = uint32_t(std::max(r.length, 0));
  const uint32_t bits = stored_bits(r);
  const uint32_t bytes = uint32_t(data_bytes(frames, bits));
  const uint32_t name_size = riff::write_string_chunk(nullptr, r.name, "name");
  riff::chunk_writer w(dest);
  w.id("smpl");
  w.u32(48 + name_size + bytes);
  w.f32(r.frames_per_cycle);
  w.u32(frames);
  w.i32(r.reserved);
  w.u32(bits);
  w.u32(r.loop ? 1 : 0);
  w.i32(r.loop_start);
  w.i32(r.loop_end);
  w.f32(r.loop_fraction);
  w.child([&](uint8_t* d) { return riff::write_string_chunk(d, r.name, "name"); });
  w.id("data");
  w.u32(riff::header_size + bytes);
  if (!dest) return w.size() + bytes;
  uint8_t* out = dest + w.size();
  const int16_t* f = frames ? r.frames() : nullptr;
  for (uint32_t i = 0; i < frames; ++i) {
    const uint16_t s = uint16_t(f[i]);
    if (bits > 8) {
      out[2 * i] = uint8_t(s);
      out[2 * i + 1] = uint8_t(s >> 8);
    } else {
      out[i] = uint8_t(s >> 8);
    }
  }
  return w.size() + bytes;
}

void read_smpl_chunk(riff::chunk_view c, synth::pcm_record& r) {
  r = synth::pcm_record{};
  if (!c.has(riff::header_size, 32)) return;
  const uint8_t* f = c.payload();
  const float frames_per_cycle = riff::read_f32(f);
  uint32_t frames = riff::read_u32(f + 4);
  const int32_t reserved = riff::read_i32(f + 8);
  const uint32_t bits = riff::read_u32(f + 12);
  const bool loop = riff::read_u32(f + 16) != 0;
  const int32_t loop_start = riff::read_i32(f + 20);
  const int32_t loop_end = riff::read_i32(f + 24);
  const float loop_fraction = riff::read_f32(f + 28);
  r.name = riff::read_string_chunk(riff::find_chunk(c, "name", riff::smpl_children_offset));

  // The data must hold every stored frame in the layout the writer uses.
  const riff::chunk_view data = riff::find_chunk(c, "data", riff::smpl_children_offset);
  const uint32_t held = data ? data.payload_size() : 0;
  if (bits == 0 || data_bytes(frames, bits) > held) frames = 0;
  std::vector<int16_t> samples(frames);
  for (uint32_t i = 0; i < frames; ++i) {
    const uint8_t* s = data.payload() + (bits > 8 ? 2 * i : i);
    samples[i] = bits > 8 ? int16_t(riff::read_u16(s)) : int16_t(uint16_t(s[0]) << 8);
  }
  r.assign(samples.data(), int32_t(frames));
  // Bounded so the player's frame arithmetic stays within 32 bits.
  r.frames_per_cycle = std::isnan(frames_per_cycle) ? 0.f
                                                    : std::clamp(frames_per_cycle, -max_frames_per_cycle, max_frames_per_cycle);
  r.reserved = reserved;
  r.source_bits = int32_t(std::min(bits, 32u));
  const int32_t last = int32_t(frames) - 1;
  if (loop) r.set_loop(loop_start, loop_end > last ? last : loop_end, loop_fraction);
  if (!r.loop) r.loop_fraction = 0.f;  // a loop that did not fit is no loop at all
  r.set_end_guards();
}

uint32_t write_pcms_chunk(uint8_t* dest, const synth::pcm_list& list) {
  uint32_t size = pcms_fixed;
  for (int i = 0; i < list.count(); ++i) size += write_smpl_chunk(nullptr, *list.at(i));
  riff::chunk_writer w(dest);
  w.id("pcms");
  w.u32(size);
  w.u32(0);
  w.u32(uint32_t(list.count()));
  for (int i = 0; i < list.count(); ++i) w.child([&](uint8_t* d) { return write_smpl_chunk(d, *list.at(i)); });
  return w.size();
}

bool read_pcms_chunk(riff::chunk_view c, synth::pcm_list& list) {
  if (!c.has(riff::header_size, 8) || riff::read_u32(c.payload()) != 0) return false;
  uint32_t count = riff::read_u32(c.payload() + 4);
  const riff::chunk_view first = riff::child_at(c, pcms_fixed);
  if (count < 1 || !first.is("smpl")) return false;
  // Entries past the chunks present stay empty; the count is still bounded
  // by what the bytes could describe, so a wild count allocates nothing big.
  count = std::min(count, (c.size - pcms_fixed) / smpl_min_size);
  list.reset_to(int(std::min<uint32_t>(count, synth::pcm_list::max_entries)));
  uint32_t at = pcms_fixed;
  for (int i = 0; i < list.count(); ++i) {
    const riff::chunk_view s = riff::child_at(c, at);
    if (!s.is("smpl")) break;
    read_smpl_chunk(s, *list.at(i));
    at += s.size;
  }
  return true;
}

}  // namespace files
