// The editor's look in the instance state: "edtr" with its background
// choice ("bgcl", old choices mapped) and GUI scale ("gscl").
#include <gtest/gtest.h>

#include <vector>

#include "files/editor_chunk.h"
#include "riff/bytes.h"

namespace files {
namespace {

std::vector<uint8_t> chunk_of(const editor_look& look) {
  std::vector<uint8_t> b(write_editor_chunk(nullptr, look));
  write_editor_chunk(b.data(), look);
  return b;
}

editor_look read(const std::vector<uint8_t>& b) { return read_editor_chunk(riff::chunk_at(b.data(), b.size())); }

TEST(editor_chunk, forty_bytes_that_read_back_as_written) {
  editor_look look;
  look.background = 17;
  look.scale = 1.25f;
  const std::vector<uint8_t> b = chunk_of(look);
  ASSERT_EQ(b.size(), 40u);
  EXPECT_EQ(riff::read_u32(b.data() + 4), 40u);
  const editor_look back = read(b);
  EXPECT_EQ(back.background, 17);
  EXPECT_EQ(back.scale, 1.25f);
  EXPECT_TRUE(back.has_scale);
}

TEST(editor_chunk, old_background_choices_are_mapped_and_unknown_versions_ignored) {
  std::vector<uint8_t> b = chunk_of(editor_look{});
  auto with = [&](uint32_t bg_version, int32_t choice, uint32_t scale_version) {
    riff::put_u32(b.data() + 16, bg_version);
    riff::put_u32(b.data() + 20, uint32_t(choice));
    riff::put_u32(b.data() + 32, scale_version);
    return read(b);
  };
  EXPECT_EQ(with(0, 3, 0).background, 4);
  EXPECT_EQ(with(0, 10, 0).background, 20);
  EXPECT_EQ(with(0, 12, 0).background, 13);
  EXPECT_EQ(with(0, -1, 0).background, -1);
  EXPECT_EQ(with(1, 21, 0).background, 21);
  EXPECT_EQ(with(2, 5, 0).background, -1);
  EXPECT_FALSE(with(1, 5, 1).has_scale);
  EXPECT_EQ(read({}).background, -1);
}

}  // namespace
}  // namespace files
