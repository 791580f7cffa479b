// vorn-pack: "varc" archives and LZW files from the command line.
//
//   vorn-pack pack FOLDER OUT.varc      the folder's contents become the blob's entries
//   vorn-pack dump FILE.varc            one line per entry, sizes in the short form
//   vorn-pack extract FILE.varc DIR     recreates the tree under DIR
//   vorn-pack lzw IN OUT | unlzw IN OUT
#include <cstdio>
#include <cstring>
#include <string>

#include "guilib/archive/archive.h"
#include "guilib/archive/archive_writer.h"
#include "guilib/archive/lzw.h"

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: vorn-pack pack FOLDER OUT.varc | dump FILE.varc | extract FILE.varc DIR"
               " | lzw IN OUT | unlzw IN OUT\n");
  return 2;
}

std::string with_separator(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

int pack(const std::string& folder, const std::string& out) {
  gui::archive_entry root;
  if (!gui::add_folder(root, folder)) {
    std::fprintf(stderr, "vorn-pack: cannot list %s\n", folder.c_str());
    return 1;
  }
  return gui::write_archive(root, out) ? 0 : 1;
}

bool load(gui::archive& a, const std::string& path) {
  if (a.load_file(path)) return true;
  std::fprintf(stderr, "vorn-pack: %s is not a varc archive\n", path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  const std::string cmd = argv[1];
  if (cmd == "pack" && argc == 4) return pack(argv[2], argv[3]);
  if (cmd == "dump" && argc == 3) {
    gui::archive a;
    if (!load(a, argv[2])) return 1;
    for (const auto& child : a.root().children) gui::dump(*child, 0);
    return 0;
  }
  if (cmd == "extract" && argc == 4) {
    gui::archive a;
    if (!load(a, argv[2])) return 1;
    return gui::extract(with_separator(argv[3]), a.root()) ? 0 : 1;
  }
  if (cmd == "lzw" && argc == 4) return gui::lzw_encode_file(argv[2], argv[3]) ? 0 : 1;
  if (cmd == "unlzw" && argc == 4) return gui::lzw_decode_file(argv[2], argv[3]) ? 0 : 1;
  return usage();
}
