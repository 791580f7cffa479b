// vorn-ahx: compiles a readable song description (tools/ahx/song_text.h)
// into an AHX module.
//   vorn-ahx SONG.txt -o SONG.ahx
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/ahx/module.h"
#include "tools/ahx/song_text.h"

int main(int argc, char** argv) {
  if (argc != 4 || std::string(argv[2]) != "-o") {
    std::fprintf(stderr, "usage: vorn-ahx SONG.txt -o SONG.ahx\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "vorn-ahx: cannot read %s\n", argv[1]);
    return 1;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ahx::module m;
  std::string error;
  if (!ahx::parse_song_text(text, m, error)) {
    std::fprintf(stderr, "vorn-ahx: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  const std::vector<uint8_t> bytes = ahx::write_module(m);
  std::ofstream out(argv[3], std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "vorn-ahx: cannot write %s\n", argv[3]);
    return 1;
  }
  std::printf("%s: %zu positions, %zu tracks of %d rows, %zu instruments, %zu bytes\n", argv[3], m.positions.size(),
              m.tracks.size(), m.rows, m.instruments.size(), bytes.size());
  return 0;
}
