#include "guilib/image/tga.h"

#include <algorithm>

#include "guilib/file_bytes.h"
#include "riff/bytes.h"

namespace gui {

namespace {

constexpr size_t header_bytes = 18;
constexpr uint8_t type_true_color = 2;
constexpr uint8_t type_grey = 3;
constexpr uint8_t type_rle_flag = 8;
constexpr uint8_t descriptor_top_down = 32;
constexpr uint32_t max_packet_pixels = 128;

struct tga_header {
  uint8_t id_length, color_map_type, image_type;
  uint16_t color_map_length;
  uint8_t color_map_bits;
  uint16_t width, height;
  uint8_t depth, descriptor;
  size_t color_map_bytes() const {
    return color_map_type == 1 ? size_t(color_map_length) * ((color_map_bits + 7u) / 8u) : 0;
  }
};

tga_header read_header(const uint8_t* p) {
  return {p[0], p[1], p[2], riff::read_u16(p + 5), p[7], riff::read_u16(p + 12), riff::read_u16(p + 14), p[16], p[17]};
}

color32 convert_pixel(const uint8_t* p, int bytes) {
  switch (bytes) {
    case 1:
      return argb(255, p[0], p[0], p[0]);
    case 2: {
      const uint32_t v = riff::read_u16(p);  // A1 R5 G5 B5
      return argb(v & 0x8000 ? 255 : 0, ((v >> 10) & 31) * 8, ((v >> 5) & 31) * 8, (v & 31) * 8);
    }
    case 3:
      return argb(255, p[2], p[1], p[0]);
    default:
      return riff::read_u32(p);
  }
}

bool supported(const tga_header& h) {
  if (h.color_map_type > 1) return false;
  const int kind = h.image_type & 7;
  // 8-bit grey images are accepted beside true colour: they decode without
  // ambiguity and a user background saved as grey should not be refused.
  if (kind == type_grey) return h.depth == 8;
  return kind == type_true_color && (h.depth == 16 || h.depth == 24 || h.depth == 32);
}

// Packets until `count` pixels are filled; false if the data ends first.
bool decode_rle(color32* out, size_t count, const uint8_t* p, const uint8_t* end, int bpp) {
  size_t filled = 0;
  while (filled < count) {
    if (p >= end) return false;
    const uint8_t h = *p++;
    const size_t n = std::min<size_t>((h & 127u) + 1u, count - filled);
    if (h >= 128) {
      if (end - p < bpp) return false;
      const color32 c = convert_pixel(p, bpp);
      p += bpp;
      for (size_t i = 0; i < n; ++i) out[filled++] = c;
    } else {
      if (size_t(end - p) < n * size_t(bpp)) return false;
      for (size_t i = 0; i < n; ++i, p += bpp) out[filled++] = convert_pixel(p, bpp);
    }
  }
  return true;
}

// The largest pixel count the remaining bytes can describe, so that a lying
// header cannot make us allocate gigabytes: run-length packets of at least
// 1 + bpp bytes give at most 128 pixels each.
size_t max_pixels(size_t bytes, int bpp, bool rle) {
  return rle ? bytes / size_t(1 + bpp) * max_packet_pixels : bytes / size_t(bpp);
}

}  // namespace

bool tga_valid(const uint8_t* data, size_t size) {
  if (!data || size < header_bytes) return false;
  const tga_header h = read_header(data);
  return size > header_bytes + h.id_length + h.color_map_bytes() && h.depth >= 8 &&
         uint32_t(h.width) * uint32_t(h.height) > 0;
}

int decode_tga(bitmap& b, const uint8_t* data, size_t size) {
  create(b, 0, 0);
  if (!data || size < header_bytes) return tga_short_header;
  const tga_header h = read_header(data);
  if (size < header_bytes + h.id_length) return tga_short_id;
  const size_t pixel_start = header_bytes + h.id_length + h.color_map_bytes();
  if (size < pixel_start) return tga_short_color_map;
  if (!supported(h)) return tga_unsupported;

  const int bpp = (h.depth + 7) / 8;
  const bool rle = (h.image_type & type_rle_flag) != 0;
  const size_t count = size_t(h.width) * h.height;
  const uint8_t* p = data + pixel_start;
  const uint8_t* end = data + size;
  if (count > max_pixels(size - pixel_start, bpp, rle)) return tga_short_pixels;

  create(b, h.width, h.height);
  if (rle) {
    if (!decode_rle(b.pixels.data(), count, p, end, bpp)) {
      create(b, 0, 0);
      return tga_short_pixels;
    }
  } else {
    for (size_t i = 0; i < count; ++i, p += bpp) b.pixels[i] = convert_pixel(p, bpp);
  }
  if (!(h.descriptor & descriptor_top_down)) flip_vertical(b);
  return tga_ok;
}

std::vector<uint8_t> encode_tga(const bitmap& b, bool top_down) {
  std::vector<uint8_t> out(header_bytes, 0);
  out[2] = type_true_color | type_rle_flag;
  riff::put_u16(&out[12], uint32_t(b.width()));
  riff::put_u16(&out[14], uint32_t(b.height()));
  out[16] = 32;
  out[17] = top_down ? descriptor_top_down : 0;

  const std::vector<color32>& px = b.pixels;
  const size_t n = px.size();
  auto put_pixel = [&out](color32 c) {
    uint8_t bytes[4];
    riff::put_u32(bytes, c);
    out.insert(out.end(), bytes, bytes + 4);
  };
  size_t i = 0;
  while (i < n) {
    size_t len = 1;
    if (i + 1 < n && px[i] == px[i + 1]) {
      while (len < max_packet_pixels && i + len < n && px[i + len] == px[i]) ++len;
      out.push_back(uint8_t(128 + len - 1));
      put_pixel(px[i]);
    } else {
      // A raw packet takes pixels while each differs from its successor, so
      // the first of two equal pixels starts the next run packet.
      while (len < max_packet_pixels && i + len < n && (i + len + 1 >= n || px[i + len] != px[i + len + 1])) ++len;
      out.push_back(uint8_t(len - 1));
      for (size_t k = 0; k < len; ++k) put_pixel(px[i + k]);
    }
    i += len;
  }
  return out;
}

bool save_tga_file(const bitmap& b, const std::string& path, bool top_down) {
  const std::vector<uint8_t> bytes = encode_tga(b, top_down);
  return write_file_bytes(path, bytes.data(), bytes.size());
}

}  // namespace gui
