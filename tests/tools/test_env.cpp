// Every test in this executable runs with a private home: the data and cache
// folders of our plug-in and the XDG folders third-party plug-ins write to
// point into a temporary tree, removed at exit. Set before any test runs,
// hence before any plug-in is loaded.
#include <filesystem>
#include <string>

#include "tests/support/scratch.h"

namespace {

class private_home {
 public:
  private_home() {
    root_ = test_support::make_scratch_dir("vorn-tools-test");
    if (root_.empty()) return;
    set("HOME", "home");
    set("XDG_DATA_HOME", "home/.local/share");
    set("XDG_CONFIG_HOME", "home/.config");
    set("XDG_CACHE_HOME", "home/.cache");
    set("VORN_DATA_DIR", "data/");
    set("VORN_CACHE_DIR", "cache/");
  }
  ~private_home() {
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
  }

 private:
  void set(const char* name, const char* sub) {
    const std::filesystem::path p = root_ / sub;
    std::error_code ignored;
    std::filesystem::create_directories(p, ignored);
    std::string value = p.string();
    if (sub[std::char_traits<char>::length(sub) - 1] == '/' && value.back() != '/') value += '/';
    test_support::set_environment(name, value);
  }

  std::filesystem::path root_;
};

private_home home;

}  // namespace
