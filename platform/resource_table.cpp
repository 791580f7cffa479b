#include "platform/resources.h"

#include <cctype>
#include <cstring>

namespace platform {

namespace {

uint32_t read_u32le(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// field holds a NUL-padded text of at most `width` bytes.
bool field_equals(const uint8_t* field, size_t width, const char* text) {
  size_t i = 0;
  for (; i < width && text[i]; ++i) {
    if (std::toupper(static_cast<unsigned char>(field[i])) != std::toupper(static_cast<unsigned char>(text[i])))
      return false;
  }
  return text[i] == 0 && (i == width || field[i] == 0);
}

size_t padded(size_t n) { return (n + resource_alignment - 1) / resource_alignment * resource_alignment; }

}  // namespace

resource_blob find_in_table(const uint8_t* table, size_t size, const char* type, const char* name) {
  size_t at = 0;
  while (table && size - at >= resource_header_bytes) {
    const uint8_t* h = table + at;
    if (std::memcmp(h, "vres", 4) != 0) break;
    const size_t data_size = read_u32le(h + 4);
    if (data_size > size - at - resource_header_bytes) break;
    if (field_equals(h + 8, resource_type_bytes, type) &&
        field_equals(h + 8 + resource_type_bytes, resource_name_bytes, name))
      return {h + resource_header_bytes, data_size};
    const size_t step = padded(resource_header_bytes + data_size);
    if (step > size - at) break;
    at += step;
  }
  return {};
}

}  // namespace platform
