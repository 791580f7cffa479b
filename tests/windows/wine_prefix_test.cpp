// The shell folders under Wine: with no override, app_data_dir and the bitmap
// cache land in the prefix's own per-user AppData and all-users ProgramData
// folders (drive C: of $WINEPREFIX), and are made when first asked for, as on a
// Windows machine.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/app_data_dir.h"
#include "platform/bitmap_cache_dir.h"
#include "platform/utf16_win32.h"
#include "platform/utf8_path.h"
#include "tests/support/scratch.h"

namespace {

// Wine's own answer to where a Windows path lives on the Unix side.
std::string unix_name_of(const std::string& path) {
  using to_unix = char*(CDECL*)(const wchar_t*);
  auto convert = reinterpret_cast<to_unix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  std::wstring wide;
  if (!convert || !platform::to_utf16(path, wide)) return {};
  char* name = convert(wide.c_str());
  if (!name) return {};
  std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

bool starts_with(const std::string& s, const std::string& head) { return s.compare(0, head.size(), head) == 0; }

bool ends_with(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

TEST(wine_prefix, data_folders_are_made_inside_the_prefix) {
  const char* wine_prefix = std::getenv("WINEPREFIX");
  if (!wine_prefix) GTEST_SKIP() << "not running under Wine";
  const std::string prefix = wine_prefix;  // copied: changing the environment frees the original
  test_support::set_environment("VORN_DATA_DIR", "");
  test_support::set_environment("VORN_CACHE_DIR", "");

  struct folder_case {
    std::string (*find)();
    const char* shell_tail;  // the shell folder on drive C:, the Unix way
    const char* our_tail;
    int levels;              // our own directories below the shell folder
  };
  for (folder_case c : {folder_case{platform::find_app_data_dir, "/AppData/Roaming/", "vorn/synth/", 2},
                        folder_case{platform::bitmap_cache_dir, "/ProgramData/", "vorn/8/bitmap cache/", 3}}) {
    SCOPED_TRACE(c.our_tail);
    std::string dir = c.find();
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(ends_with(dir, "\\")) << dir;
    // Made when asked for: remove our part, ask again.
    std::filesystem::path ours = platform::utf8_path(dir.substr(0, dir.size() - 1));
    for (int i = 1; i < c.levels; ++i) ours = ours.parent_path();
    ASSERT_EQ(platform::utf8_text(ours.filename()), "vorn");
    std::filesystem::remove_all(ours);
    ASSERT_FALSE(std::filesystem::exists(platform::utf8_path(dir)));
    dir = c.find();
    EXPECT_TRUE(std::filesystem::is_directory(platform::utf8_path(dir)));

    const std::string unix_dir = unix_name_of(dir);
    // Drive C: of the prefix, through its drive link or not.
    EXPECT_TRUE(starts_with(unix_dir, prefix + "/dosdevices/c:/") ||
                starts_with(unix_dir, prefix + "/drive_c/"))
        << unix_dir;
    EXPECT_TRUE(ends_with(unix_dir, std::string(c.shell_tail) + c.our_tail)) << unix_dir;
  }
  EXPECT_NE(platform::find_app_data_dir(), platform::bitmap_cache_dir());
}
