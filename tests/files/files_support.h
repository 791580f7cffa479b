// Helpers of the file-format tests: scratch paths, whole files, measured
// writers, and WAVE files made by sox.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace files_test {

using bytes = std::vector<uint8_t>;

inline std::string scratch(const std::string& name) {
  const char* dir = std::getenv("VORN_TEST_SCRATCH");
  return std::string(dir ? dir : "/tmp") + "/" + name;
}

inline std::string data_dir() {
  const char* dir = std::getenv("VORN_DATA_DIR");
  return dir ? dir : "";
}

inline bytes read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void write_bytes(const std::string& path, const bytes& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

template <typename Writer>
bytes written(Writer&& write) {
  bytes out(write(nullptr));
  EXPECT_EQ(write(out.data()), out.size()) << "measured and written sizes differ";
  return out;
}

// sox ARGS; true when it ran and succeeded.
inline bool sox(const std::string& args) { return std::system(("sox -q " + args + " 2>/dev/null").c_str()) == 0; }

}  // namespace files_test
