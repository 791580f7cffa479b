// Blobs the build stores inside the module itself, looked up by type and name
// ("VARC", "SKINS/KESTOL"). Names compare without regard to case, as
// resource names do on Windows, where the same lookup goes through the DLL's
// resources.
//
// On Linux and other ELF systems the build embeds them in the section
// `vorn_resources` as a table of records, each 16-byte aligned:
//   "vres"  u32 data size  char type[8]  char name[48]  data  padding
// (types and names NUL-padded). resource_table() is that section of the
// running module; find_in_table() also reads a table taken from a file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

struct resource_blob {
  const uint8_t* data = nullptr;
  size_t size = 0;
  explicit operator bool() const { return data && size > 0; }
};

constexpr size_t resource_header_bytes = 64;
constexpr size_t resource_type_bytes = 8;
constexpr size_t resource_name_bytes = 48;
constexpr size_t resource_alignment = 16;

// The blob of that type and name in this module, or an empty blob.
resource_blob find_resource(const char* type, const char* name);

// The embedded table of this module (empty when the build embedded none).
resource_blob resource_table();

// Looks a blob up in a table laid out as above; records that run past the
// table's end end the walk.
resource_blob find_in_table(const uint8_t* table, size_t size, const char* type, const char* name);

}  // namespace platform
