// A private home for a whole test program: the data and cache folders of our
// plug-in and the XDG folders third-party plug-ins write to point into a
// temporary tree, removed at exit. A test program defines one object of it
// at namespace scope, so it is in place before any test runs, hence before
// any plug-in is loaded (and reads a user's init files).
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

#include "tests/support/scratch.h"

namespace test_support {

class private_home {
 public:
  explicit private_home(const std::string& prefix) {
    root_ = make_scratch_dir(prefix);
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
  private_home(const private_home&) = delete;
  private_home& operator=(const private_home&) = delete;

 private:
  void set(const char* name, const char* sub) {
    const std::filesystem::path p = root_ / sub;
    std::error_code ignored;
    std::filesystem::create_directories(p, ignored);
    std::string value = p.string();
    if (sub[std::char_traits<char>::length(sub) - 1] == '/' && value.back() != '/') value += '/';
    set_environment(name, value);
  }

  std::filesystem::path root_;
};

}  // namespace test_support
