#include "plugin/vst3/state_stream.h"

#include <cstring>

namespace vst3_shell {

namespace {

constexpr int32_t read_piece_bytes = 64 * 1024;

// The VST 2 container fields are big-endian.
uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
bool tag_is(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

constexpr size_t wrapper_header_bytes = 8;    // "VstW", size of what follows
constexpr size_t bank_chunk_at = 160;         // CcnK header, 128 reserved bytes, chunk size
constexpr size_t program_chunk_at = 60;       // CcnK header, 28-byte name, chunk size

}  // namespace

bool read_stream(vst3::IBStream& stream, std::vector<uint8_t>& out) {
  out.clear();
  for (;;) {
    const size_t at = out.size();
    if (at >= max_state_bytes) {
      out.clear();
      return false;
    }
    out.resize(at + read_piece_bytes);
    vst3::int32 got = 0;
    const vst3::tresult r = stream.read(out.data() + at, read_piece_bytes, &got);
    if (got < 0 || got > read_piece_bytes) got = 0;
    out.resize(at + size_t(got));
    if (r != vst3::kResultOk) {
      if (got > 0) continue;
      // Some streams answer the read past the end with kResultFalse.
      if (r == vst3::kResultFalse) return true;
      out.clear();
      return false;
    }
    if (got < read_piece_bytes) return true;
  }
}

bool write_stream(vst3::IBStream& stream, const uint8_t* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    const size_t left = size - done;
    const vst3::int32 piece = left > size_t(read_piece_bytes) ? read_piece_bytes : vst3::int32(left);
    vst3::int32 put = 0;
    if (stream.write(const_cast<uint8_t*>(data + done), piece, &put) != vst3::kResultOk) return false;
    if (put <= 0 || put > piece) return false;
    done += size_t(put);
  }
  return true;
}

const uint8_t* unwrap_vst2_chunk(const uint8_t* data, size_t size, size_t& chunk_size) {
  chunk_size = size;
  if (!data || size < 4) return data;
  if (tag_is(data, "VstW")) {
    if (size < wrapper_header_bytes) return nullptr;
    const uint32_t rest = be32(data + 4);
    if (rest > size - wrapper_header_bytes) return nullptr;
    data += wrapper_header_bytes + rest;
    size -= wrapper_header_bytes + rest;
    if (size < 4 || !tag_is(data, "CcnK")) return nullptr;
  }
  if (!tag_is(data, "CcnK")) return data;  // the plain state bytes
  if (size < 12) return nullptr;
  size_t at;
  if (tag_is(data + 8, "FBCh")) {
    at = bank_chunk_at;
  } else if (tag_is(data + 8, "FPCh")) {
    at = program_chunk_at;
  } else {
    return nullptr;  // a parameter list, not a chunk: nothing of ours
  }
  if (size < at) return nullptr;
  const uint32_t inner = be32(data + at - 4);
  if (inner > size - at) return nullptr;
  chunk_size = inner;
  return data + at;
}

}  // namespace vst3_shell
