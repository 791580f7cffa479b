#include <gtest/gtest.h>

#include <random>

#include "guilib/image/bmp.h"
#include "guilib/image/image_file.h"
#include "guilib/image/tga.h"
#include "tests/guilib/chunk_builder.h"

namespace gui {
namespace {

using test::bytes;

bytes tga_header(uint8_t type, uint16_t w, uint16_t h, uint8_t depth, uint8_t descriptor, uint8_t id_length = 0,
                 uint8_t map_type = 0, uint16_t map_length = 0, uint8_t map_bits = 0) {
  bytes b(18, 0);
  b[0] = id_length;
  b[1] = map_type;
  b[2] = type;
  b[5] = uint8_t(map_length);
  b[6] = uint8_t(map_length >> 8);
  b[7] = map_bits;
  b[12] = uint8_t(w);
  b[13] = uint8_t(w >> 8);
  b[14] = uint8_t(h);
  b[15] = uint8_t(h >> 8);
  b[16] = depth;
  b[17] = descriptor;
  return b;
}

bitmap random_bitmap(int w, int h, uint32_t seed) {
  bitmap b;
  create(b, w, h);
  std::mt19937 rng(seed);
  for (color32& p : b.pixels) p = (rng() % 3 == 0) ? 0xFF102030u : rng();  // some runs, some noise
  return b;
}

TEST(tga, rle_32_bit_descriptor_32_is_top_down_and_8_is_flipped) {
  // 2 x 2: a run of two reds crossing nothing, then a raw packet of green, blue.
  bytes body = {0x81, 0x00, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0xFF, 0x00, 0x80, 0xFF, 0x00, 0x00, 0x40};
  bitmap b;
  bytes top = test::cat({tga_header(10, 2, 2, 32, 32), body});
  ASSERT_EQ(decode_tga(b, top.data(), top.size()), tga_ok);
  EXPECT_EQ(b.pixels, (std::vector<color32>{0xFFFF0000, 0xFFFF0000, 0x8000FF00, 0x400000FF}));
  bytes bottom = test::cat({tga_header(10, 2, 2, 32, 8), body});
  ASSERT_EQ(decode_tga(b, bottom.data(), bottom.size()), tga_ok);
  EXPECT_EQ(b.pixels, (std::vector<color32>{0x8000FF00, 0x400000FF, 0xFFFF0000, 0xFFFF0000}));
}

TEST(tga, packets_cross_row_ends_and_every_pixel_size_converts) {
  // A run of 3 over a 2-wide image fills row 0 and starts row 1.
  const bytes rle24 = test::cat({tga_header(10, 2, 2, 24, 32), {0x82, 0x10, 0x20, 0x30, 0x00, 0x01, 0x02, 0x03}});
  bitmap b;
  ASSERT_EQ(decode_tga(b, rle24.data(), rle24.size()), tga_ok);
  EXPECT_EQ(b.pixels, (std::vector<color32>{0xFF302010, 0xFF302010, 0xFF302010, 0xFF030201}));
  // 16-bit A1R5G5B5: alpha bit set / clear, 5-bit channels times 8.
  const bytes raw16 = test::cat({tga_header(2, 2, 1, 16, 32), {0x1F, 0xFC, 0xE0, 0x03}});
  ASSERT_EQ(decode_tga(b, raw16.data(), raw16.size()), tga_ok);
  EXPECT_EQ(b.pixels, (std::vector<color32>{0xFFF800F8, 0x0000F800}));
  const bytes grey = test::cat({tga_header(3, 2, 1, 8, 32), {0x00, 0x7F}});
  ASSERT_EQ(decode_tga(b, grey.data(), grey.size()), tga_ok);
  EXPECT_EQ(b.pixels, (std::vector<color32>{0xFF000000, 0xFF7F7F7F}));
}

TEST(tga, result_codes_for_short_and_unsupported_data) {
  bitmap b;
  const bytes ok = test::cat({tga_header(2, 1, 1, 32, 32, 3), {'i', 'd', '!', 1, 2, 3, 4}});
  EXPECT_EQ(decode_tga(b, ok.data(), 17), tga_short_header);
  EXPECT_EQ(decode_tga(b, ok.data(), 20), tga_short_id);
  const bytes mapped = test::cat({tga_header(2, 1, 1, 32, 32, 0, 1, 4, 24), bytes(6, 0)});
  EXPECT_EQ(decode_tga(b, mapped.data(), mapped.size()), tga_short_color_map);
  const bytes depth15 = test::cat({tga_header(2, 1, 1, 15, 32), {0, 0}});
  EXPECT_EQ(decode_tga(b, depth15.data(), depth15.size()), tga_unsupported);
  const bytes color_mapped = test::cat({tga_header(1, 1, 1, 8, 32, 0, 1, 2, 24), bytes(7, 0)});
  EXPECT_EQ(decode_tga(b, color_mapped.data(), color_mapped.size()), tga_unsupported);
  const bytes map_type_2 = test::cat({tga_header(2, 1, 1, 32, 32, 0, 2), bytes(4, 0)});
  EXPECT_EQ(decode_tga(b, map_type_2.data(), map_type_2.size()), tga_unsupported);
  ASSERT_EQ(decode_tga(b, ok.data(), ok.size()), tga_ok);
  EXPECT_EQ(b.pixels[0], 0x04030201u);
  // A header that promises more pixels than the data holds allocates nothing.
  const bytes huge = test::cat({tga_header(10, 65535, 65535, 32, 32), {0xFF, 1, 2, 3, 4}});
  EXPECT_EQ(decode_tga(b, huge.data(), huge.size()), tga_short_pixels);
  EXPECT_TRUE(b.empty());
  const bytes cut = test::cat({tga_header(2, 4, 4, 24, 32), bytes(40, 1)});
  EXPECT_EQ(decode_tga(b, cut.data(), cut.size()), tga_short_pixels);
}

TEST(tga, encoder_writes_runs_of_128_and_round_trips_top_down) {
  bitmap b;
  create(b, 300, 1);
  std::fill(b.pixels.begin(), b.pixels.end(), 0x11223344u);
  const bytes enc = encode_tga(b, true);
  ASSERT_EQ(enc.size(), 18u + 3 * 5);
  EXPECT_EQ(enc[2], 10);
  EXPECT_EQ(enc[16], 32);
  EXPECT_EQ(enc[17], 32);
  EXPECT_EQ(enc[18], 0xFF);       // 128
  EXPECT_EQ(enc[23], 0xFF);       // 128
  EXPECT_EQ(enc[28], 128 + 43);   // 44
  EXPECT_EQ(enc[29], 0x44);

  for (auto [w, h] : {std::pair{1, 1}, std::pair{37, 11}, std::pair{300, 2}, std::pair{5, 64}}) {
    const bitmap src = random_bitmap(w, h, uint32_t(w * h));
    bitmap back;
    const bytes file = encode_tga(src, true);
    ASSERT_EQ(decode_image(back, file.data(), file.size()), 0);
    EXPECT_EQ(back.pixels, src.pixels);
    EXPECT_EQ(back.width(), w);
  }
  // Without the flag the file says bottom-up: a decoder turns it over.
  const bitmap src = random_bitmap(3, 4, 9);
  bitmap back;
  const bytes file = encode_tga(src, false);
  ASSERT_EQ(decode_tga(back, file.data(), file.size()), 0);
  bitmap flipped = src;
  flip_vertical(flipped);
  EXPECT_EQ(back.pixels, flipped.pixels);
}

TEST(tga, raw_packets_stop_before_a_pair_of_equal_pixels) {
  bitmap b;
  create(b, 5, 1);
  b.pixels = {1, 2, 3, 3, 4};
  const bytes enc = encode_tga(b, true);
  // raw(1, 2), run(3 x 2), raw(4)
  ASSERT_EQ(enc.size(), 18u + 1 + 8 + 1 + 4 + 1 + 4);
  EXPECT_EQ(enc[18], 1);
  EXPECT_EQ(enc[27], 0x81);
  EXPECT_EQ(enc[32], 0);
}

bytes bmp_file(int32_t w, int32_t h, uint16_t depth, const bytes& palette, const bytes& pixels,
               uint32_t compression = 0) {
  bytes b(54, 0);
  b[0] = 'B';
  b[1] = 'M';
  const uint32_t offset = uint32_t(54 + palette.size());
  auto put = [&b](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
  };
  put(2, uint32_t(54 + palette.size() + pixels.size()));
  put(10, offset);
  put(14, 40);
  put(18, uint32_t(w));
  put(22, uint32_t(h));
  b[26] = 1;
  b[28] = uint8_t(depth);
  put(30, compression);
  return test::cat({b, palette, pixels});
}

TEST(bmp, four_bit_palette_alpha_is_kept_and_rows_come_out_top_down) {
  // Entry 0 transparent black, then white with rising fourth bytes, as in a font sheet.
  const bytes palette = {0, 0, 0, 0, 255, 255, 255, 0x39, 255, 255, 255, 0x4C, 255, 255, 255, 0xFF};
  // 3 x 2, rows padded to 4 bytes, bottom row first.
  const bytes pixels = {0x30, 0x10, 0, 0, 0x12, 0x30, 0, 0};
  const bytes file = bmp_file(3, 2, 4, palette, pixels);
  bitmap b;
  ASSERT_EQ(decode_image(b, file.data(), file.size()), bmp_ok);
  EXPECT_EQ(b.pixels, (std::vector<color32>{0x39FFFFFF, 0x4CFFFFFF, 0xFFFFFFFF,   // top row
                                            0xFFFFFFFF, 0x00000000, 0x39FFFFFF}));
}

TEST(bmp, one_eight_twenty_four_and_thirty_two_bits) {
  bitmap b;
  const bytes pal2 = {1, 2, 3, 4, 5, 6, 7, 8};
  const bytes one = bmp_file(10, 1, 1, pal2, {0xA0, 0x40, 0, 0});
  ASSERT_EQ(decode_bmp(b, one.data(), one.size()), bmp_ok);
  EXPECT_EQ(b.pixels[0], 0x08070605u);
  EXPECT_EQ(b.pixels[1], 0x04030201u);
  EXPECT_EQ(b.pixels[2], 0x08070605u);
  EXPECT_EQ(b.pixels[9], 0x08070605u);
  bytes pal256(1024, 0);
  pal256[4 * 200] = 0x33;
  const bytes eight = bmp_file(1, 1, 8, pal256, {200, 0, 0, 0});
  ASSERT_EQ(decode_bmp(b, eight.data(), eight.size()), bmp_ok);
  EXPECT_EQ(b.pixels[0], 0x33u);
  const bytes rgb = bmp_file(1, 2, 24, {}, {0x01, 0x02, 0x03, 0, 0x0A, 0x0B, 0x0C, 0});
  ASSERT_EQ(decode_bmp(b, rgb.data(), rgb.size()), bmp_ok);
  EXPECT_EQ(b.pixels, (std::vector<color32>{0x000C0B0A, 0x00030201}));  // alpha 0, flipped
  const bytes argb32 = bmp_file(1, -2, 32, {}, {1, 2, 3, 4, 5, 6, 7, 8});  // negative height: top-down
  ASSERT_EQ(decode_bmp(b, argb32.data(), argb32.size()), bmp_ok);
  EXPECT_EQ(b.pixels, (std::vector<color32>{0x04030201, 0x08070605}));
}

TEST(bmp, result_codes_bound_every_read) {
  bitmap b;
  const bytes good = bmp_file(4, 4, 24, {}, bytes(48, 0));
  EXPECT_EQ(decode_bmp(b, good.data(), 53), bmp_short_header);
  bytes sig = good;
  sig[0] = 'X';
  EXPECT_EQ(decode_bmp(b, sig.data(), sig.size()), bmp_no_signature);
  for (uint16_t depth : {0, 2, 16, 33, 64}) {
    const bytes bad = bmp_file(1, 1, depth, {}, bytes(16, 0));
    EXPECT_EQ(decode_bmp(b, bad.data(), bad.size()), bmp_bad_depth) << depth;
  }
  const bytes rle = bmp_file(1, 1, 8, bytes(1024, 0), bytes(4, 0), 1);
  EXPECT_EQ(decode_bmp(b, rle.data(), rle.size()), bmp_bad_depth);
  EXPECT_EQ(decode_bmp(b, good.data(), good.size() - 1), bmp_short_pixels);
  const bytes wide = bmp_file(0x7FFFFFFF, 0x7FFFFFFF, 32, {}, bytes(16, 0));
  EXPECT_EQ(decode_bmp(b, wide.data(), wide.size()), bmp_short_pixels);
  EXPECT_TRUE(b.empty());
  const bytes zero = bmp_file(0, 1, 32, {}, bytes(4, 0));
  EXPECT_EQ(decode_bmp(b, zero.data(), zero.size()), bmp_bad_size);
  // A palette that the data cuts short reads as transparent black.
  const bytes short_pal = bmp_file(2, 1, 8, {9, 9, 9, 9}, {0, 1, 0, 0});
  ASSERT_EQ(decode_bmp(b, short_pal.data(), short_pal.size()), bmp_ok);
  EXPECT_EQ(b.pixels, (std::vector<color32>{0x09090909, 0x00000000}));
}

TEST(image_file, tga_header_check_gives_minus_one_and_missing_files_too) {
  bitmap b;
  const bytes no_pixels = tga_header(2, 1, 1, 32, 32);
  EXPECT_EQ(decode_image(b, no_pixels.data(), no_pixels.size()), -1);
  const bytes zero_size = test::cat({tga_header(2, 0, 5, 32, 32), bytes(4, 0)});
  EXPECT_EQ(decode_image(b, zero_size.data(), zero_size.size()), -1);
  EXPECT_EQ(load_image_file(b, "/nonexistent/vorn.tga"), -1);
}

}  // namespace
}  // namespace gui
