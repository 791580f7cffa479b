// Every test here runs with a private data folder (the user's init preset,
// start-up files) and a scratch folder for the songs it writes; both are
// removed at exit.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/utf8_path.h"
#include "tests/support/scratch.h"

namespace {

class sequencer_environment : public ::testing::Environment {
 public:
  void SetUp() override {
    dir_ = test_support::make_scratch_dir("vorn-sequencer-test");
    std::filesystem::create_directories(dir_ / "scratch");
    test_support::set_environment("VORN_DATA_DIR", platform::utf8_text(dir_ / "data") + "/");
    test_support::set_environment("VORN_CACHE_DIR", platform::utf8_text(dir_ / "cache") + "/");
    test_support::set_environment("VORN_TEST_SCRATCH", platform::utf8_text(dir_ / "scratch"));
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

 private:
  std::filesystem::path dir_;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new sequencer_environment);

}  // namespace
