#include <random>
#include <system_error>

#include "tests/support/scratch.h"

namespace test_support {

std::filesystem::path make_scratch_dir(const std::string& prefix) {
  std::random_device entropy;
  std::error_code ec;
  const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path dir = base / (prefix + "-" + std::to_string(entropy()));
    if (std::filesystem::create_directory(dir, ec)) return dir;
  }
  return {};
}

}  // namespace test_support
