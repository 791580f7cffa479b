#include "riff/file_buffer.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "platform/file_open.h"
#include "riff/staged_file.h"

namespace riff {

namespace {

struct file_closer {
  std::FILE* f;
  ~file_closer() {
    if (f) std::fclose(f);
  }
};

// The file's length, or -1 when it cannot be told (not a regular file).
long length_of(std::FILE* f) {
  if (std::fseek(f, 0, SEEK_END) != 0) return -1;
  const long n = std::ftell(f);
  if (std::fseek(f, 0, SEEK_SET) != 0) return -1;
  return n;
}

}  // namespace

bool file_buffer::allocate(size_t n) {
  if (n > max_bytes) return false;
  try {
    bytes_.assign(n + 1, 0);
  } catch (const std::bad_alloc&) {
    bytes_.assign(1, 0);
    return false;
  }
  return true;
}

void file_buffer::assign(const void* data, size_t n) {
  bytes_.assign(n + 1, 0);
  if (n) std::memcpy(bytes_.data(), data, n);
}

bool file_buffer::load(const std::string& path_utf8) {
  file_closer in{platform::open_file(path_utf8, "rb")};
  if (!in.f) return false;
  const long n = length_of(in.f);
  if (n < 0 || !allocate(size_t(n))) return false;
  if (n > 0 && std::fread(bytes_.data(), 1, size_t(n), in.f) != size_t(n)) {
    bytes_.assign(1, 0);
    return false;
  }
  path_ = path_utf8;
  return true;
}

bool file_buffer::store(const std::string& path_utf8) const {
  staged_file staged(path_utf8);
  std::FILE* out = staged.open();
  if (!out) return false;
  const size_t n = size();
  if (n != 0 && std::fwrite(bytes_.data(), 1, n, out) != n) {
    std::fclose(out);
    return false;  // the staged temporary is removed, the old file stays
  }
  return staged.commit(out);
}

}  // namespace riff
