// Builds a first-generation preset record ("KVXi"): id, version, 24-bit
// length of what follows the header, name length, name, values. The old
// files are read only, so tests and fuzz seeds make their own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

inline std::vector<uint8_t> legacy_record(const char* id, uint8_t version, const std::string& name,
                                          const std::vector<uint8_t>& values) {
  std::vector<uint8_t> r(id, id + 4);
  const size_t length = 1 + name.size() + values.size();
  r.insert(r.end(), {version, uint8_t(length), uint8_t(length >> 8), uint8_t(length >> 16), uint8_t(name.size())});
  r.insert(r.end(), name.begin(), name.end());
  r.insert(r.end(), values.begin(), values.end());
  return r;
}

}  // namespace test_support
