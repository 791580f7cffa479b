// Windows file names are UTF-16; ours are UTF-8. A byte sequence that is not
// UTF-8 names no file: it is refused rather than guessed at in a code page;
// a valid one names the file it spells.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "guilib/file_bytes.h"
#include "platform/file_open.h"
#include "platform/utf8_path.h"
#include "tests/support/scratch.h"

TEST(windows_file_names, paths_that_are_not_utf8_cannot_be_opened) {
  const std::filesystem::path dir = test_support::make_scratch_dir("vorn-utf8-test");
  ASSERT_FALSE(dir.empty());
  const std::string base = platform::utf8_text(dir) + "\\";
  for (const char* bad : {"\xC3", "\xFF\xFE", "\xED\xA0\x80" /* a surrogate */, "\xC0\xAF" /* overlong '/' */}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(platform::open_file(base + bad + ".txt", "wb"), nullptr);
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir));
  std::filesystem::remove_all(dir);
}

TEST(windows_file_names, the_toolkit_saves_and_reads_files_under_names_with_accents) {
  // The bitmap cache lives under the user's profile, whose folder name is
  // often not ASCII: the file must exist under its own name, not under the
  // code page's reading of its UTF-8 bytes.
  const std::filesystem::path dir = test_support::make_scratch_dir("vorn-utf8-gui-test");
  ASSERT_FALSE(dir.empty());
  const std::string name = platform::utf8_text(dir) + "\\J\xC3\xB6rg \xE2\x99\xAA.tga";
  const uint8_t bytes[] = {1, 2, 3, 250};
  ASSERT_TRUE(gui::write_file_bytes(name, bytes, sizeof bytes));
  EXPECT_TRUE(std::filesystem::exists(platform::utf8_path(name)));
  std::vector<uint8_t> back;
  ASSERT_TRUE(gui::read_file_bytes(name, back));
  EXPECT_EQ(back, std::vector<uint8_t>(bytes, bytes + sizeof bytes));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);
  std::filesystem::remove_all(dir);
}
