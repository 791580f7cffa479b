// Fuzz target: mounting an untrusted "varc" blob (a font file on disk) and
// loading it as a font. Every entry's bytes lie inside the blob, and a
// mounted tree written back out mounts to the same tree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "guilib/archive/archive.h"
#include "guilib/archive/archive_writer.h"
#include "guilib/font/font_file.h"

namespace {

size_t check(const gui::archive_entry& e, const uint8_t* begin, const uint8_t* end, int depth) {
  if (depth > gui::max_archive_depth + 1) std::abort();
  if (e.data && (e.data < begin || e.data + e.size > end)) std::abort();
  size_t n = 1;
  for (const auto& c : e.children) n += check(*c, begin, end, depth + 1);
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  gui::archive a;
  if (!gui::mount(data, size, a.root())) return 0;
  const size_t entries = check(a.root(), data, data + size, 0);
  const std::vector<uint8_t> again = gui::serialize_archive(a.root());
  gui::archive b;
  if (!gui::mount(again.data(), again.size(), b.root())) std::abort();
  if (check(b.root(), again.data(), again.data() + again.size(), 0) != entries) std::abort();
  gui::font f;
  if (gui::load_font(f, data, size) && f.sheet.pixels.size() != size_t(f.sheet.width()) * size_t(f.sheet.height()))
    std::abort();
  return 0;
}
