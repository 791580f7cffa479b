// Every test here runs with a private data folder (user presets, init files,
// word lists) and a scratch folder, both removed at exit; set before any
// instance is built.
#include <cstdlib>
#include <filesystem>

namespace {

struct private_folders {
  std::filesystem::path root;
  private_folders() {
    char pattern[] = "/tmp/vorn-files-test-XXXXXX";
    if (!mkdtemp(pattern)) return;
    root = pattern;
    std::filesystem::create_directories(root / "data");
    std::filesystem::create_directories(root / "scratch");
    setenv("VORN_DATA_DIR", (root / "data/").c_str(), 1);
    setenv("VORN_TEST_SCRATCH", (root / "scratch").c_str(), 1);
  }
  ~private_folders() {
    std::error_code ignored;
    if (!root.empty()) std::filesystem::remove_all(root, ignored);
  }
};

private_folders folders;

}  // namespace
