#include "plugin/standalone/session_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/app_data_dir.h"
#include "tests/support/scratch.h"

namespace {

namespace fs = std::filesystem;

TEST(StandaloneSessionFile, LivesInTheUserDataFolder) {
  const std::string path = standalone::session_path();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path, platform::app_data_dir() + "standalone.vornstate");
  const char* data_dir = std::getenv("VORN_DATA_DIR");
  ASSERT_NE(data_dir, nullptr);
  EXPECT_EQ(path.rfind(data_dir, 0), 0u) << "tests keep it in their private data folder";
}

TEST(StandaloneSessionFile, WritesAndReadsTheSameBytes) {
  const std::string path = standalone::session_path();
  std::vector<uint8_t> bytes(70000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 131 + 7);
  ASSERT_EQ(standalone::write_state_file(path, bytes.data(), bytes.size()), "");
  std::vector<uint8_t> back;
  ASSERT_EQ(standalone::read_state_file(path, back), "");
  EXPECT_EQ(back, bytes);
  // A second save replaces the first whole, leaving no temporary beside it.
  const uint8_t small[] = {'v', 'o', 'r', 'n'};
  ASSERT_EQ(standalone::write_state_file(path, small, sizeof small), "");
  ASSERT_EQ(standalone::read_state_file(path, back), "");
  EXPECT_EQ(back.size(), sizeof small);
  int files = 0;
  for (const auto& e : fs::directory_iterator(fs::path(path).parent_path())) files += e.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST(StandaloneSessionFile, AFailedSaveKeepsTheLastSession) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const fs::path dir = test_support::make_scratch_dir("vorn-standalone-readonly");
  const std::string path = (dir / "standalone.vornstate").string();
  const uint8_t first[] = {1, 2, 3};
  ASSERT_EQ(standalone::write_state_file(path, first, sizeof first), "");
  fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
  const uint8_t second[] = {4, 5, 6, 7};
  const std::string outcome = standalone::write_state_file(path, second, sizeof second);
  fs::permissions(dir, fs::perms::owner_all);
  EXPECT_NE(outcome, "");
  std::vector<uint8_t> back;
  ASSERT_EQ(standalone::read_state_file(path, back), "");
  EXPECT_EQ(back, std::vector<uint8_t>(first, first + 3));
  fs::remove_all(dir);
}

TEST(StandaloneSessionFile, NothingToReadOrWriteIsAnOutcome) {
  std::vector<uint8_t> back{9};
  EXPECT_NE(standalone::read_state_file("", back), "");
  EXPECT_NE(standalone::read_state_file(platform::app_data_dir() + "no such file.vornstate", back), "");
  const std::string empty = platform::app_data_dir() + "empty.vornstate";
  std::ofstream(empty).close();
  EXPECT_EQ(standalone::read_state_file(empty, back), "Error reading file");
  EXPECT_EQ(back, std::vector<uint8_t>{9}) << "a failed read leaves the bytes alone";
  const uint8_t b[] = {1};
  EXPECT_NE(standalone::write_state_file("", b, 1), "");
  EXPECT_NE(standalone::write_state_file(empty, nullptr, 0), "");
  fs::remove(empty);
}

}  // namespace
