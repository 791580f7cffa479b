#include "files/legacy_files.h"

#include <cmath>
#include <cstring>

#include "files/preset_chunk.h"
#include "riff/bytes.h"

namespace files {

namespace {

namespace p = synth::p;

constexpr size_t byte_values_size = synth::preset_param_count;
constexpr size_t real_values_size = 4 * synth::preset_param_count;

size_t record_length(const uint8_t* record) {
  return size_t(record[5]) | size_t(record[6]) << 8 | size_t(record[7]) << 16;
}

void read_byte_values(const uint8_t* values, synth::preset& target) {
  for (int i = 0; i < synth::preset_param_count; ++i) {
    const synth::param_info& r = synth::param_row(i);
    const float b = float(values[i]);
    target.set(i, r.is_integer ? b : r.min + b / 255.f * (r.max - r.min));
  }
}

void read_normalised_values(const uint8_t* values, synth::preset& target) {
  float v[synth::preset_param_count];
  for (int i = 0; i < synth::preset_param_count; ++i) v[i] = riff::read_f32(values + 4 * i);
  v[p::shaper_mode] *= 4.f / 3.f;
  v[p::mod_a_shape] *= 1.25f;
  v[p::mod_b_shape] *= 1.25f;
  v[p::glide_time] = 1.f - v[p::glide_time];
  if (v[p::mod_a_shape] <= 0.8f) v[p::mod_a_width] = 1.f - v[p::mod_a_width];
  if (v[p::mod_b_shape] <= 0.8f) v[p::mod_b_width] = 1.f - v[p::mod_b_width];
  for (int i = 0; i < synth::preset_param_count; ++i) {
    const synth::param_info& r = synth::param_row(i);
    const float x = r.min + v[i] * (r.max - r.min);
    target.set(i, r.is_integer ? std::floor(x) : x);
  }
}

}  // namespace

std::string convert_legacy_record(const uint8_t* record, size_t available, const synth::preset& init,
                                  synth::preset& target) {
  if (available < legacy_header_size + 1) return "truncated record";
  // Everything the record claims must exist: the header's length and the file.
  const size_t length = record_length(record);
  const size_t end = legacy_header_size + length < available ? legacy_header_size + length : available;
  const int name_length = int(int8_t(record[8]));
  const size_t values_at = legacy_header_size + 1 + size_t(name_length > 0 ? name_length : 0);
  const uint8_t version = record[4];
  const size_t values_size = version == 255 ? real_values_size : byte_values_size;
  const bool known = version == 0 || version == 1 || version == 255;
  if (known && values_at + values_size > end) return "truncated record";
  if (!known && values_at > end) return "truncated record";

  target = init;
  target.name = stored_name(std::string(reinterpret_cast<const char*>(record + 9), values_at - 9));
  target.name.resize(strnlen(target.name.c_str(), target.name.size()));
  target.category.clear();
  switch (version) {
    case 0:
    case 1:
      target.category = version == 0 ? "v6p0" : "v6p1";
      read_byte_values(record + values_at, target);
      break;
    case 255:
      target.category = "v6a255";
      read_normalised_values(record + values_at, target);
      break;
    default:
      return "unsupported version";
  }
  target.set(p::shaper_depth, target.get(p::shaper_depth) * 0.25f);
  if (target.get(p::ringmod_level) > 0.f) {
    const float a = 0.75f - target.get(p::osc_b_level);
    target.set(p::osc_a_level, a < 0.f ? 0.f : (a > 1.f ? 1.f : a));
    target.set(p::osc_b_level, 0.f);
    target.set(p::ringmod_level, 0.75f);
  }
  synth::limit_values(target);
  return {};
}

std::string load_legacy_bank(const uint8_t* data, size_t size, const synth::preset& init, synth::bank& b) {
  if (size < legacy_header_size || data[4] != 1) return "version != 1";
  b.name = "old format (unnamed)";
  size_t at = legacy_header_size;
  for (int slot = synth::bank_size - 1; slot >= 0; --slot) {
    if (size - at < legacy_header_size + 1) break;
    const size_t whole = legacy_header_size + record_length(data + at);
    if (whole > size - at) break;  // only whole records
    const std::string result = convert_legacy_record(data + at, whole, init, b.slots[size_t(slot)]);
    if (!result.empty()) return result;
    at += whole;
  }
  return {};
}

}  // namespace files
