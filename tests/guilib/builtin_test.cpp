// The built-in blobs: the resource table format, the lookup in this very
// test program, the section inside the built vorn.so, the bitmap cache and
// the vorn-pack tool.
#include <elf.h>
#include <unistd.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "guilib/archive/bitmap_cache.h"
#include "guilib/archive/gui_archive.h"
#include "guilib/file_bytes.h"
#include "guilib/image/tga.h"
#include "platform/resources.h"

namespace gui {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> record(const char* type, const char* name, const std::vector<uint8_t>& data) {
  const size_t header = platform::resource_header_bytes;
  std::vector<uint8_t> r((header + data.size() + 15) / 16 * 16, 0);
  const std::string fields = std::string("vres") + char(data.size()) + char(data.size() >> 8);
  std::copy(fields.begin(), fields.end(), r.begin());
  std::copy(type, type + std::strlen(type), r.begin() + 8);
  std::copy(name, name + std::strlen(name), r.begin() + 16);
  std::copy(data.begin(), data.end(), r.begin() + long(header));
  return r;
}

TEST(resources, table_lookup_ignores_case_and_stops_at_damage) {
  std::vector<uint8_t> table = record("VARC", "SKINS/KESTOL", {1, 2, 3});
  const std::vector<uint8_t> fonts = record("VARC", "FONTS", std::vector<uint8_t>(20, 7));
  table.insert(table.end(), fonts.begin(), fonts.end());

  platform::resource_blob b = platform::find_in_table(table.data(), table.size(), "varc", "skins/kestol");
  ASSERT_TRUE(b);
  EXPECT_EQ(b.size, 3u);
  EXPECT_EQ(b.data[2], 3);
  b = platform::find_in_table(table.data(), table.size(), "VARC", "FONTS");
  ASSERT_TRUE(b);
  EXPECT_EQ(b.size, 20u);
  EXPECT_FALSE(platform::find_in_table(table.data(), table.size(), "VARC", "FONT"));
  EXPECT_FALSE(platform::find_in_table(table.data(), table.size(), "VAR", "FONTS"));
  // A first record claiming more bytes than the table holds ends the walk.
  table[5] = 0xFF;
  EXPECT_FALSE(platform::find_in_table(table.data(), table.size(), "VARC", "FONTS"));
  EXPECT_FALSE(platform::find_in_table(table.data(), 40, "VARC", "SKINS/KESTOL"));
}

void expect_builtin_tree(const archive_entry& root) {
  ASSERT_EQ(root.children.size(), 4u);
  EXPECT_EQ(root.children[0]->name, "image");
  EXPECT_EQ(root.children[1]->name, "knob_strip");
  EXPECT_EQ(root.children[2]->name, "slider_strip");
  EXPECT_EQ(root.children[3]->name, "fonts");
  bitmap b;
  ASSERT_TRUE(load_skin_bitmap(root, "knob_strip/seven_spline,0,131,1,66x66", b, false));
  EXPECT_EQ(b.width(), 66);
  EXPECT_EQ(b.height(), 66 * 131);
  EXPECT_EQ(b.name, "knob_strip/seven_spline,0,131,1,66x66");
  ASSERT_TRUE(load_skin_bitmap(root, "image/background,762x516", b, false));
  EXPECT_EQ(b.width(), 762);
  ASSERT_TRUE(load_skin_bitmap(root, "image/icon/vorn", b, false));
  EXPECT_EQ(b.width(), 50);
  EXPECT_EQ(b.height(), 22);
  for (const char* w : {"cosine", "noise", "pcm", "pulse", "ramp", "random", "sine", "staircase", "triangle"}) {
    ASSERT_TRUE(load_skin_bitmap(root, std::string("image/icon/waveform/") + w, b, false)) << w;
    EXPECT_EQ(b.width() * 100 + b.height(), 20 * 100 + 9) << w;
  }
  for (int positions : {2, 3}) {
    for (const char* size : {"16x8", "24x12", "32x16", "38x19", "48x24", "64x32"}) {
      const std::string path = "slider_strip/slide_switch,0," + std::to_string(positions) + "," + size;
      ASSERT_TRUE(load_skin_bitmap(root, path, b, false)) << path;
      EXPECT_EQ(b.height(), std::atoi(std::strchr(size, 'x') + 1) * positions) << path;
    }
  }
}

TEST(resources, mount_builtin_mounts_skin_and_fonts_once) {
  mount_builtin();
  expect_builtin_tree(gui_archive().root());
  mount_builtin();
  EXPECT_EQ(gui_archive().root().children.size(), 4u);
  EXPECT_TRUE(gui_resources_initialised());
}

// The plug-in binary itself carries the blobs: find its section by name in
// the ELF file and mount from there.
TEST(resources, the_plugin_binary_carries_the_skin_and_fonts) {
  std::vector<uint8_t> so;
  ASSERT_TRUE(read_file_bytes(VORN_PLUGIN_PATH, so));
  ASSERT_GE(so.size(), sizeof(Elf64_Ehdr));
  Elf64_Ehdr eh;
  std::memcpy(&eh, so.data(), sizeof eh);
  ASSERT_EQ(std::memcmp(eh.e_ident, ELFMAG, SELFMAG), 0);
  ASSERT_EQ(eh.e_ident[EI_CLASS], ELFCLASS64);
  auto section = [&](size_t i) {
    Elf64_Shdr sh;
    std::memcpy(&sh, so.data() + eh.e_shoff + i * eh.e_shentsize, sizeof sh);
    return sh;
  };
  const Elf64_Shdr names = section(eh.e_shstrndx);
  const uint8_t* table = nullptr;
  size_t size = 0;
  for (size_t i = 0; i < eh.e_shnum; ++i) {
    const Elf64_Shdr sh = section(i);
    if (std::strcmp(reinterpret_cast<const char*>(so.data() + names.sh_offset + sh.sh_name), "vorn_resources") == 0) {
      table = so.data() + sh.sh_offset;
      size = sh.sh_size;
    }
  }
  ASSERT_NE(table, nullptr);
  archive a;
  for (const char* name : {"SKINS/KESTOL", "FONTS"}) {
    const platform::resource_blob b = platform::find_in_table(table, size, "VARC", name);
    ASSERT_TRUE(b) << name;
    EXPECT_TRUE(mount(b.data, b.size, a.root())) << name;
  }
  expect_builtin_tree(a.root());
}

class bitmap_cache_test : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("vorn_cache_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    ::setenv("VORN_CACHE_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("VORN_CACHE_DIR");
    fs::remove_all(dir_);
  }
  fs::path dir_;
};

TEST_F(bitmap_cache_test, a_saved_strip_loads_back_from_the_cache_only_when_asked) {
  bitmap b;
  create(b, 7, 21);
  std::mt19937 rng(1);
  for (color32& p : b.pixels) p = rng();
  const std::string path = "knob_strip/seven_spline,0,3,1,7x7";
  archive empty;
  bitmap back;
  EXPECT_FALSE(load_skin_bitmap(empty.root(), path, back, true));
  ASSERT_TRUE(save_cached_bitmap(path, b));
  EXPECT_TRUE(fs::is_directory(dir_ / "knob_strip"));
  EXPECT_FALSE(load_skin_bitmap(empty.root(), path, back, false));
  ASSERT_TRUE(load_skin_bitmap(empty.root(), path, back, true));
  EXPECT_EQ(back.pixels, b.pixels);
  EXPECT_EQ(back.width(), 7);
}

TEST_F(bitmap_cache_test, the_archive_wins_over_the_cache) {
  mount_builtin();
  bitmap fake;
  create(fake, 16, 16);
  const std::string path = "knob_strip/seven_spline,0,65,1,16x16";
  ASSERT_TRUE(save_cached_bitmap(path, fake));
  bitmap b;
  ASSERT_TRUE(load_skin_bitmap(path, b, true));
  EXPECT_EQ(b.height(), 16 * 65);
}

// vorn-pack round trip: pack a folder, extract it elsewhere, compare bytes; dump it.
TEST(vorn_pack, packs_extracts_and_dumps_a_folder) {
  const fs::path dir = fs::temp_directory_path() / ("vorn_pack_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "in" / "sub" / "deeper");
  std::mt19937 rng(8);
  const std::vector<std::pair<std::string, size_t>> files = {
      {"a.bin", 3000}, {"sub/b with blank.tga", 0}, {"sub/deeper/c", 70000}, {"z", 1}};
  for (const auto& [name, n] : files) {
    std::ofstream out(dir / "in" / name, std::ios::binary);
    for (size_t i = 0; i < n; ++i) out.put(char(rng()));
  }
  const std::string tool = std::string(VORN_BUILD_DIR) + "/vorn-pack";
  const std::string blob = (dir / "t.varc").string();
  ASSERT_EQ(std::system(("'" + tool + "' pack '" + (dir / "in").string() + "' '" + blob + "' > /dev/null").c_str()), 0);
  ASSERT_EQ(std::system(("'" + tool + "' extract '" + blob + "' '" + (dir / "out").string() + "'").c_str()), 0);
  for (const auto& [name, n] : files) {
    std::vector<uint8_t> a, b;
    ASSERT_TRUE(read_file_bytes((dir / "in" / name).string(), a)) << name;
    ASSERT_TRUE(read_file_bytes((dir / "out" / name).string(), b)) << name;
    EXPECT_EQ(a, b) << name;
  }
  const std::string listing = (dir / "dump.txt").string();
  ASSERT_EQ(std::system(("'" + tool + "' dump '" + blob + "' > '" + listing + "'").c_str()), 0);
  std::ifstream in(listing);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "a.bin = 2.9k\nsub/\n\tb with blank.tga = 0\n\tdeeper/\n\t\tc = 68k\nz = 1\n");
  fs::remove_all(dir);
}

}  // namespace
}  // namespace gui
