#include "guilib/archive/lzw.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace gui {
namespace {

std::vector<uint8_t> encode(const std::vector<uint8_t>& in) { return lzw_pack(in.data(), in.size()); }

std::vector<uint8_t> decode(const std::vector<uint8_t>& in) {
  std::vector<uint8_t> out;
  EXPECT_TRUE(lzw_unpack(in.data(), in.size(), out, size_t(1) << 30));
  return out;
}

std::vector<uint8_t> random_bytes(size_t n, uint32_t seed, int alphabet = 256) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (uint8_t& b : v) b = uint8_t(rng() % uint32_t(alphabet));
  return v;
}

TEST(lzw, empty_input_gives_empty_output_both_ways) {
  EXPECT_EQ(lzw_encode(nullptr, 0, nullptr, 0), 0u);
  EXPECT_EQ(lzw_decode(nullptr, 0, nullptr, 0), 0u);
}

TEST(lzw, codes_are_nine_bits_most_significant_first_with_zero_padding) {
  // ABABABA: codes 65, 66, 256 (AB), 258 (ABA, used in the step that defines it).
  const std::vector<uint8_t> in = {'A', 'B', 'A', 'B', 'A', 'B', 'A'};
  EXPECT_EQ(encode(in), (std::vector<uint8_t>{0x20, 0x90, 0xA0, 0x10, 0x20}));
  EXPECT_EQ(decode(encode(in)), in);
}

TEST(lzw, a_run_of_one_byte_round_trips_and_shrinks) {
  for (size_t n : {1u, 2u, 3u, 100u, 70000u, 400000u}) {
    SCOPED_TRACE(n);
    const std::vector<uint8_t> in(n, 0x5A);
    const std::vector<uint8_t> packed = encode(in);
    EXPECT_EQ(decode(packed), in);
    if (n > 1000) {
      EXPECT_LT(packed.size(), n / 100);
    }
  }
}

TEST(lzw, inputs_past_the_table_size_reset_both_sides_in_step) {
  // Random bytes make about one code per byte and a half: these inputs run
  // through the 65536-code table several times, with runs mixed in so that
  // long strings are in use when a reset comes.
  for (uint32_t seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    std::vector<uint8_t> in = random_bytes(300000, seed);
    for (size_t i = 0; i < in.size(); i += 9973) std::fill(in.begin() + long(i), in.begin() + long(std::min(i + 400, in.size())), uint8_t(seed));
    EXPECT_EQ(decode(encode(in)), in);
  }
  const std::vector<uint8_t> small_alphabet = random_bytes(500000, 9, 3);
  EXPECT_EQ(decode(encode(small_alphabet)), small_alphabet);
}

TEST(lzw, random_data_of_every_small_length_round_trips) {
  for (size_t n = 0; n < 600; n += 7) {
    SCOPED_TRACE(n);
    const std::vector<uint8_t> in = random_bytes(n, uint32_t(n) + 100, n % 2 ? 256 : 4);
    EXPECT_EQ(decode(encode(in)), in);
  }
}

TEST(lzw, measuring_pass_and_short_buffers_never_write_past_capacity) {
  const std::vector<uint8_t> in = random_bytes(5000, 7, 16);
  const size_t packed_size = lzw_encode(in.data(), in.size(), nullptr, 0);
  std::vector<uint8_t> guard(packed_size + 16, 0xEE);
  EXPECT_EQ(lzw_encode(in.data(), in.size(), guard.data(), packed_size / 2), packed_size);
  for (size_t i = packed_size / 2; i < guard.size(); ++i) ASSERT_EQ(guard[i], 0xEE) << i;

  const std::vector<uint8_t> packed = encode(in);
  std::vector<uint8_t> out(100, 0);
  EXPECT_EQ(lzw_decode(packed.data(), packed.size(), out.data(), 100), in.size());
  EXPECT_TRUE(std::equal(out.begin(), out.end(), in.begin()));
}

TEST(lzw, unpack_refuses_outputs_above_its_bound) {
  const std::vector<uint8_t> in(100000, 1);
  const std::vector<uint8_t> packed = encode(in);
  std::vector<uint8_t> out;
  EXPECT_FALSE(lzw_unpack(packed.data(), packed.size(), out, 99999));
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(lzw_unpack(packed.data(), packed.size(), out, 100000));
}

TEST(lzw, other_symbol_widths_and_table_sizes_round_trip) {
  const std::vector<uint8_t> in = random_bytes(20000, 5, 8);
  for (auto [bits, capacity] : {std::pair{4, 4096}, std::pair{1, 64}, std::pair{8, 1024}}) {
    SCOPED_TRACE(bits);
    std::vector<uint8_t> packed(lzw_encode(in.data(), in.size(), nullptr, 0, bits, capacity));
    lzw_encode(in.data(), in.size(), packed.data(), packed.size(), bits, capacity);
    std::vector<uint8_t> out(lzw_decode(packed.data(), packed.size(), nullptr, 0, bits, capacity));
    lzw_decode(packed.data(), packed.size(), out.data(), out.size(), bits, capacity);
    EXPECT_EQ(out, in);
  }
  EXPECT_EQ(lzw_encode(in.data(), in.size(), nullptr, 0, 8, 1000), 0u);  // not a power of two: refused
}

TEST(lzw, damaged_streams_decode_to_a_bounded_output) {
  std::vector<uint8_t> packed = encode(random_bytes(4000, 11, 6));
  std::mt19937 rng(3);
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> bad = packed;
    for (int k = 0; k < 5; ++k) bad[rng() % bad.size()] = uint8_t(rng());
    const size_t n = lzw_decode(bad.data(), bad.size(), nullptr, 0);
    std::vector<uint8_t> out(n);
    EXPECT_EQ(lzw_decode(bad.data(), bad.size(), out.data(), out.size()), n);
    // Each code yields at most one symbol per table entry defined so far.
    EXPECT_LE(n, bad.size() * 8 / 9 * size_t(lzw_capacity));
  }
}

}  // namespace
}  // namespace gui
