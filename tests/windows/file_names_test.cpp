// Windows file names are UTF-16; ours are UTF-8. A byte sequence that is not
// UTF-8 names no file: it is refused rather than guessed at in a code page.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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
