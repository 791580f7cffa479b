// The platform services as the rest of the system uses them, whichever
// platform this runs on: UTF-8 file names reach the file system unchanged, and
// the data and cache folders follow their overrides and exist once asked for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/app_data_dir.h"
#include "platform/bitmap_cache_dir.h"
#include "platform/file_open.h"
#include "platform/utf8_path.h"
#include "tests/support/scratch.h"

namespace {

class platform_files : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = test_support::make_scratch_dir("vorn-platform-test");
    ASSERT_FALSE(dir_.empty());
  }
  void TearDown() override {
    test_support::set_environment("VORN_DATA_DIR", "");
    test_support::set_environment("VORN_CACHE_DIR", "");
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  // A UTF-8 path inside the scratch folder, with '/' as the separator.
  std::string at(const std::string& name) const { return platform::utf8_text(dir_) + "/" + name; }

  std::filesystem::path dir_;
};

std::string read_all(std::FILE* f) {
  std::string text;
  char buf[256];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  return text;
}

// Without trailing separators, which the Windows C runtime's stat refuses.
std::filesystem::path dir_path(std::string dir) {
  while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
  return platform::utf8_path(dir);
}

bool is_same_dir(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(dir_path(a), dir_path(b), ec);
}

}  // namespace

TEST_F(platform_files, utf8_file_names_are_written_read_and_listed_unchanged) {
  const std::vector<std::string> names = {"plain.vornpreset", "Pr\xC3\xA4set \xE2\x80\x93 Gl\xC3\xB6" "ckchen.vornbank",
                                          "\xE6\x97\xA5\xE6\x9C\xAC.wav", "keys \xF0\x9F\x8E\xB9.kvxs"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    std::FILE* f = platform::open_file(at(name), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs(name.c_str(), f);
    std::fclose(f);
    f = platform::open_file(at(name), "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(read_all(f), name);
    std::fclose(f);
  }
  std::vector<std::string> listed;
  for (const auto& entry : std::filesystem::directory_iterator(dir_))
    listed.push_back(platform::utf8_text(entry.path().filename()));
  std::sort(listed.begin(), listed.end());
  std::vector<std::string> expected = names;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);
  EXPECT_EQ(platform::open_file(at("missing.vornbank"), "rb"), nullptr);
  EXPECT_EQ(platform::open_file(at("no folder/x.wav"), "wb"), nullptr);
}

TEST_F(platform_files, data_and_cache_folders_follow_their_overrides_and_are_created) {
  struct folder_case {
    const char* variable;
    std::string (*find)();
  };
  for (folder_case c : {folder_case{"VORN_DATA_DIR", platform::find_app_data_dir},
                        folder_case{"VORN_CACHE_DIR", platform::bitmap_cache_dir}}) {
    SCOPED_TRACE(c.variable);
    for (const std::string& wanted : {at(std::string(c.variable) + "/n\xC3\xA9/deep"), at("with separator/")}) {
      SCOPED_TRACE(wanted);
      test_support::set_environment(c.variable, wanted);
      const std::string dir = c.find();
      ASSERT_FALSE(dir.empty());
      EXPECT_TRUE(dir.back() == '/' || dir.back() == '\\');
      EXPECT_EQ(dir.compare(0, wanted.size(), wanted), 0) << dir;
      EXPECT_TRUE(is_same_dir(dir, wanted));
      std::FILE* f = platform::open_file(dir + "init.vornstate", "wb");  // names append directly
      EXPECT_NE(f, nullptr);
      if (f) std::fclose(f);
    }
  }
}

TEST_F(platform_files, directories_are_made_level_by_level_unless_a_file_is_in_the_way) {
  EXPECT_TRUE(platform::make_directories(at("a/b\\c/")));
  EXPECT_TRUE(std::filesystem::is_directory(platform::utf8_path(at("a/b/c"))));
  EXPECT_TRUE(platform::make_directories(at("a/b")));  // existing: fine
  std::FILE* f = platform::open_file(at("a/file"), "wb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_FALSE(platform::make_directories(at("a/file")));
  EXPECT_FALSE(platform::make_directories(at("a/file/below")));
  EXPECT_FALSE(platform::make_directories(""));
}
