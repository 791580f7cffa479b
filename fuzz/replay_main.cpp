// Runs a fuzz target without libFuzzer: every file named on the command line
// (or inside a folder named there), then a fixed number of deterministic
// mutations of each (byte flips, truncations, insertions), so the release
// build replays the corpus as a test. --rounds=N sets the mutations per file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

uint32_t next_random(uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

void mutate_and_run(const std::vector<uint8_t>& seed, int rounds) {
  uint32_t rng = 0x9E3779B9u;
  std::vector<uint8_t> buf;
  for (int r = 0; r < rounds; ++r) {
    buf = seed;
    const int edits = 1 + int(next_random(rng) % 8);
    for (int e = 0; e < edits && !buf.empty(); ++e) {
      const size_t at = next_random(rng) % buf.size();
      // Mostly small edits inside the data, so most inputs get past the
      // headers; a truncation now and then.
      const uint32_t kind = next_random(rng) % 32;
      if (kind < 20) {
        buf[at] ^= uint8_t(1u << (next_random(rng) % 8));
      } else if (kind < 28) {
        buf[at] = uint8_t(next_random(rng));
      } else if (kind < 31) {
        buf.insert(buf.begin() + long(at), uint8_t(next_random(rng)));
      } else {
        buf.resize(at);
      }
    }
    LLVMFuzzerTestOneInput(buf.data(), buf.size());
  }
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 20000;
  std::vector<std::filesystem::path> paths;
  // A fuzz campaign's minimised corpus (a folder named "corpus") holds
  // hundreds of inputs that already cover what mutations would reach: each
  // runs once, unmutated.
  std::vector<bool> once;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--rounds=", 9) == 0) {
      rounds = std::atoi(argv[i] + 9);
    } else if (std::filesystem::is_directory(argv[i])) {
      const bool corpus = std::filesystem::path(argv[i]).filename() == "corpus";
      for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
        if (!entry.is_regular_file()) continue;
        paths.push_back(entry.path());
        once.push_back(corpus);
      }
    } else {
      paths.emplace_back(argv[i]);
      once.push_back(false);
    }
  }
  int files = 0;
  int mutated = 0;
  for (size_t k = 0; k < paths.size(); ++k) {
    const std::filesystem::path& path = paths[k];
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", path.c_str());
      return 1;
    }
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(data.data(), data.size());
    if (!once[k]) {
      mutate_and_run(data, rounds);
      ++mutated;
    }
    ++files;
  }
  if (files == 0) {
    std::fprintf(stderr, "no seed files\n");
    return 1;
  }
  std::printf("replayed %d seed files, %d of them with %d mutations each\n", files, mutated, rounds);
  return 0;
}
