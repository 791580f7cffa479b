// Without overrides the folders follow the XDG base directories, falling back
// to the user's home; each is created on the way.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/app_data_dir.h"
#include "platform/bitmap_cache_dir.h"
#include "platform/utf8_path.h"
#include "tests/support/scratch.h"

namespace {

// Sets a variable for one test and puts the old value back afterwards.
class saved_variable {
 public:
  explicit saved_variable(const char* name) : name_(name) {
    const char* v = std::getenv(name);
    old_ = v ? v : "";
  }
  ~saved_variable() { test_support::set_environment(name_, old_); }

 private:
  const char* name_;
  std::string old_;
};

}  // namespace

TEST(known_folders, data_and_cache_folders_follow_xdg_then_home) {
  saved_variable vars[] = {saved_variable("HOME"), saved_variable("XDG_DATA_HOME"),
                           saved_variable("XDG_CACHE_HOME"), saved_variable("VORN_DATA_DIR"),
                           saved_variable("VORN_CACHE_DIR")};
  const std::filesystem::path root = test_support::make_scratch_dir("vorn-xdg-test");
  ASSERT_FALSE(root.empty());
  const std::string r = platform::utf8_text(root);
  test_support::set_environment("VORN_DATA_DIR", "");
  test_support::set_environment("VORN_CACHE_DIR", "");
  test_support::set_environment("HOME", r + "/home");
  test_support::set_environment("XDG_DATA_HOME", r + "/data");
  test_support::set_environment("XDG_CACHE_HOME", r + "/cache/");
  EXPECT_EQ(platform::find_app_data_dir(), r + "/data/vorn/synth/");
  EXPECT_EQ(platform::bitmap_cache_dir(), r + "/cache/vorn/8/bitmap cache/");
  test_support::set_environment("XDG_DATA_HOME", "");
  test_support::set_environment("XDG_CACHE_HOME", "");
  EXPECT_EQ(platform::find_app_data_dir(), r + "/home/.local/share/vorn/synth/");
  EXPECT_EQ(platform::bitmap_cache_dir(), r + "/home/.cache/vorn/8/bitmap cache/");
  EXPECT_TRUE(std::filesystem::is_directory(root / "home/.local/share/vorn/synth"));
  EXPECT_TRUE(std::filesystem::is_directory(root / "home/.cache/vorn/8/bitmap cache"));
  test_support::set_environment("HOME", "");
  EXPECT_EQ(platform::find_app_data_dir(), "");  // nowhere to go: unset, not the working folder
  std::filesystem::remove_all(root);
}
