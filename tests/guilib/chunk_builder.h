// Hand-made "varc" chunks for the archive and font tests, written byte by
// byte so that the reader is checked against the layout, not against our writer.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace gui::test {

using bytes = std::vector<uint8_t>;

inline void put_u32(bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

inline bytes chunk(const char* tag, const bytes& body) {
  bytes b(tag, tag + 4);
  put_u32(b, uint32_t(body.size() + 8));
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

inline bytes cat(std::initializer_list<bytes> parts) {
  bytes b;
  for (const bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
  return b;
}

inline bytes text(const std::string& s, bool nul = true) {
  bytes b(s.begin(), s.end());
  if (nul) b.push_back(0);
  return b;
}

inline bytes name_chunk(const std::string& s) { return chunk("name", text(s)); }
inline bytes file_chunk(const std::string& n, const bytes& data, const char* tag = "file") {
  return chunk(tag, cat({name_chunk(n), chunk("data", data)}));
}
// A container: count, optional name, then the entries.
inline bytes varc(uint32_t count, const bytes& entries, const std::string* name = nullptr) {
  bytes body;
  put_u32(body, count);
  if (name) body = cat({body, name_chunk(*name)});
  return chunk("varc", cat({body, entries}));
}

}  // namespace gui::test
