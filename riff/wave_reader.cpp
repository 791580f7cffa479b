#include "riff/wave_reader.h"

#include <cstring>

#include "riff/bytes.h"
#include "riff/file_buffer.h"

namespace riff {

namespace {

constexpr size_t riff_header = 12;  // "RIFF", size, form type

struct sub_chunk {
  const uint8_t* payload = nullptr;  // null: not found
  uint32_t size = 0;                 // payload bytes that exist in the file
};

// Children of a RIFF form or LIST between `begin` and `end`: each is an id, a
// payload size, the payload and a pad byte after an odd size. A child whose
// payload runs past `end` is cut to what exists.
sub_chunk find_sub_chunk(const uint8_t* begin, const uint8_t* end, const char* id4) {
  const uint8_t* p = begin;
  while (end - p >= 8) {
    const uint32_t size = read_u32(p + 4);
    const size_t room = size_t(end - p) - 8;
    if (std::memcmp(p, id4, 4) == 0) return {p + 8, uint32_t(size < room ? size : room)};
    const uint64_t step = 8 + uint64_t(size) + (size & 1);
    if (step > uint64_t(end - p)) break;
    p += step;
  }
  return {};
}

// The format tag; an extensible format (0xFFFE, which tools write for more
// than 16 bits or 2 channels) names its real tag at the start of its
// sub-format GUID.
uint16_t format_of(const sub_chunk& fmt) {
  const uint16_t tag = read_u16(fmt.payload);
  constexpr uint16_t extensible = 0xFFFE;
  constexpr uint32_t sub_format_at = 24;
  if (tag == extensible && fmt.size >= sub_format_at + 2) return read_u16(fmt.payload + sub_format_at);
  return tag;
}

}  // namespace

const char* wave_error_text(int32_t code) {
  static const char* const texts[] = {"No error",
                                      "Invalid file/filename",
                                      "Not RIFF",
                                      "Not wave",
                                      "Couldn't locate format chunk",
                                      "Couldn't locate data chunk",
                                      "Format not PCM",
                                      "Unexpected chunk size"};
  return code >= 0 && code <= 7 ? texts[code] : "unknown";
}

bool wave_reader::load(const std::string& path_utf8) {
  file_buffer file;
  if (!file.load(path_utf8)) {
    *this = wave_reader{};
    error = wave_error::invalid_file;
    return true;
  }
  return parse(file.data(), file.size());
}

bool wave_reader::parse(const uint8_t* data, size_t size) {
  *this = wave_reader{};
  if (!data || size == 0) return (error = wave_error::invalid_file), true;
  if (size < 4 || std::memcmp(data, "RIFF", 4) != 0) return (error = wave_error::not_riff), true;
  if (size < riff_header || std::memcmp(data + 8, "WAVE", 4) != 0) return (error = wave_error::not_wave), true;
  // The form's own size bounds its children; a file cut short bounds it too.
  const uint64_t form_end = 8 + uint64_t(read_u32(data + 4));
  const uint8_t* end = data + (form_end < size ? size_t(form_end) : size);
  const uint8_t* begin = data + riff_header;

  const sub_chunk fmt = find_sub_chunk(begin, end, "fmt ");
  const sub_chunk dat = find_sub_chunk(begin, end, "data");
  if (!fmt.payload) {
    error = wave_error::no_format;
  } else if (fmt.size < 16 || (format_of(fmt) != format_integer_pcm && format_of(fmt) != format_ieee_float)) {
    error = wave_error::not_pcm;
  } else {
    format_tag = format_of(fmt);
    channels = read_u16(fmt.payload + 2);
    sample_rate = read_u32(fmt.payload + 4);
    bits_per_sample = read_u16(fmt.payload + 14);
    const uint32_t frame_bytes = uint32_t(bits_per_sample / 8) * channels;
    if (!dat.payload) {
      error = wave_error::no_data;
    } else if (channels == 0 || bits_per_sample / 8 == 0 || bits_per_sample % 8 != 0 ||
               dat.size / frame_bytes == 0) {
      error = wave_error::not_pcm;
    } else {
      frame_count = dat.size / frame_bytes;
      last_frame = int64_t(frame_count) - 1;
      samples.assign(dat.payload, dat.payload + dat.size);
    }
  }

  const sub_chunk smpl = find_sub_chunk(begin, end, "smpl");
  if (smpl.payload && smpl.size >= 32) {
    unity_offset = double(read_u32(smpl.payload + 12)) - 60.0 + double(read_u32(smpl.payload + 16)) / 4294967296.0;
    if (read_u32(smpl.payload + 28) != 0 && smpl.size >= 36 + 24) {
      const uint8_t* loop = smpl.payload + 36;  // cue id, type, start, end, fraction, play count
      loop_mode = read_u32(loop + 4) + 1;
      loop_start = read_u32(loop + 8);
      loop_end = read_u32(loop + 12);
      loop_fraction = read_u32(loop + 16);
      loop_play_count = read_u32(loop + 20);
    }
  }

  // The first LIST of type INFO; other LISTs (adtl, ...) are skipped.
  const uint8_t* p = begin;
  for (sub_chunk list; (list = find_sub_chunk(p, end, "LIST")).payload;) {
    if (list.size >= 4 && std::memcmp(list.payload, "INFO", 4) == 0) {
      const sub_chunk inam = find_sub_chunk(list.payload + 4, list.payload + list.size, "INAM");
      // The title is text: it ends at its first zero byte (writers pad with one).
      if (inam.payload) name.assign(reinterpret_cast<const char*>(inam.payload), strnlen(reinterpret_cast<const char*>(inam.payload), inam.size));
      break;
    }
    p = list.payload + list.size + (list.size & 1);
    if (p >= end) break;
  }
  return error != wave_error::none;
}

}  // namespace riff
