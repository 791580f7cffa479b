// Variable-width LZW without clear or stop codes, used for the members of
// font files. Codes start one bit wider than a symbol and grow by one bit
// whenever the next free code reaches the next power of two; when the table is
// full both sides start afresh. The decoder widens one code earlier and
// resets two codes earlier than the encoder, which keeps the two in step
// because it defines each entry one code later. Bits are packed most
// significant first; a partial last byte is padded with zero bits.
//
// Both calls return the output length. Given an output capacity of 0 (or too
// small) they store nothing past it and still return the full length, so a
// caller measures first, sizes its buffer, then runs again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace gui {

// What every caller in the system passes: bytes in, a table of 65536 codes
// (widest code 16 bits).
constexpr int lzw_symbol_bits = 8;
constexpr int lzw_capacity = 65536;

size_t lzw_encode(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_capacity,
                  int symbol_bits = lzw_symbol_bits, int capacity = lzw_capacity);
size_t lzw_decode(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_capacity,
                  int symbol_bits = lzw_symbol_bits, int capacity = lzw_capacity);

// Measure-then-fill convenience forms. lzw_unpack refuses (returns false) an
// output longer than max_size, the guard for untrusted data.
std::vector<uint8_t> lzw_pack(const uint8_t* in, size_t in_size);
bool lzw_unpack(const uint8_t* in, size_t in_size, std::vector<uint8_t>& out, size_t max_size);

// File-to-file forms for the packing tools; false when a file cannot be read or written.
bool lzw_encode_file(const std::string& in_path, const std::string& out_path);
bool lzw_decode_file(const std::string& in_path, const std::string& out_path);

}  // namespace gui
