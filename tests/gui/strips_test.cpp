// Strip lookup: names, the archive first, then the cache, then rendering,
// and the same strip for the same parameters without reading anything again.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "guilib/archive/archive.h"
#include "guilib/archive/archive_writer.h"
#include "guilib/image/tga.h"
#include "guilib/paint/knob_strip.h"
#include "guilib/widgets/strip_library.h"

namespace gui {
namespace {

namespace fs = std::filesystem;

// A temporary bitmap cache for one test.
struct cache_dir {
  fs::path dir;
  std::string old;
  cache_dir() {
    dir = fs::temp_directory_path() / ("vorn-strips-" + std::to_string(::getpid()) + "-" + std::to_string(rand()));
    fs::create_directories(dir);
    const char* o = std::getenv("VORN_CACHE_DIR");
    old = o ? o : "";
    setenv("VORN_CACHE_DIR", dir.c_str(), 1);
  }
  ~cache_dir() {
    if (old.empty()) {
      unsetenv("VORN_CACHE_DIR");
    } else {
      setenv("VORN_CACHE_DIR", old.c_str(), 1);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

strip knob_want(int size, int frames = 65, int variant = 1) {
  strip s;
  s.style = "seven_spline";
  s.frames = frames;
  s.variant = variant;
  s.frame_width = s.frame_height = size;
  return s;
}

TEST(strip_names, build_and_parse_the_built_in_forms) {
  strip k = knob_want(66, 131, 1);
  EXPECT_EQ(strip_name(strip_kind::knob, k, "knob_strip"), "knob_strip/seven_spline,0,131,1,66x66");
  strip s;
  s.style = "slide_switch";
  s.frames = 3;
  s.frame_width = 24;
  s.frame_height = 12;
  s.colour = 0xABCDEF;
  EXPECT_EQ(strip_name(strip_kind::slider, s, "slider_strip"), "slider_strip/slide_switch,ABCDEF,3,24x12");
  s.frame_width = 0;
  EXPECT_EQ(strip_name(strip_kind::slider, s, ""), "slide_switch,ABCDEF,3");
  strip parsed;
  ASSERT_TRUE(parse_strip_name(strip_kind::knob, "seven_spline,0,97,2,49x49", parsed));
  EXPECT_EQ(parsed.frames, 97);
  EXPECT_EQ(parsed.variant, 2);
  EXPECT_EQ(parsed.frame_height, 49);
  EXPECT_FALSE(parse_strip_name(strip_kind::knob, "seven_spline,0,97", parsed));
  EXPECT_FALSE(parse_strip_name(strip_kind::slider, "slide_switch,0,x,24x12", parsed));
}

// An archive holding knob strips the test makes: one right, one of the wrong height.
struct test_archive {
  std::vector<uint8_t> blob;
  archive a;
  explicit test_archive(const fs::path& dir) {
    fs::create_directories(dir / "knob_strip");
    bitmap good, bad;
    render_knob_strip(good, {24, 24, 5, 1});
    render_knob_strip(bad, {16, 16, 4, 1});  // named as 5 frames: 16 rows short
    save_tga_file(good, (dir / "knob_strip" / "seven_spline,0,5,1,24x24.tga").string(), true);
    save_tga_file(bad, (dir / "knob_strip" / "seven_spline,0,5,1,16x16.tga").string(), true);
    archive src;
    EXPECT_TRUE(add_folder(src.root(), dir.string()));
    blob = serialize_archive(src.root());
    EXPECT_TRUE(mount(blob.data(), blob.size(), a.root()));
  }
};

TEST(strip_library, the_same_parameters_give_the_same_strip_without_reading_again) {
  cache_dir cache;
  test_archive t(cache.dir / "src");
  strip_library lib(strip_kind::knob, true, true, &t.a.root());
  const strip& first = lib.get(knob_want(24, 5));
  ASSERT_TRUE(first.valid);
  EXPECT_EQ(lib.archive_reads, 1);
  const strip& again = lib.get(knob_want(24, 5));
  EXPECT_EQ(&first, &again);
  EXPECT_EQ(lib.archive_reads, 1);
  EXPECT_EQ(lib.cache_reads + lib.renders, 0);
  EXPECT_FALSE(lib.get(knob_want(24, 5, 2)).image.empty()) << "another variant is another strip";
  EXPECT_EQ(lib.renders, 1);
}

TEST(strip_library, a_strip_of_the_wrong_height_is_rendered_instead_and_cached) {
  cache_dir cache;
  test_archive t(cache.dir / "src");
  strip_library lib(strip_kind::knob, true, true, &t.a.root());
  const strip& s = lib.get(knob_want(16, 5));
  ASSERT_TRUE(s.valid);
  EXPECT_EQ(s.image.height(), 5 * 16);
  EXPECT_EQ(lib.renders, 1);
  EXPECT_TRUE(fs::exists(cache.dir / "knob_strip" / "seven_spline,0,5,1,16x16.tga")) << "saved to the cache";
  // A size the archive lacks: rendered once, then a fresh library finds it in the cache.
  lib.get(knob_want(30, 5));
  EXPECT_EQ(lib.renders, 2);
  strip_library next(strip_kind::knob, true, true, &t.a.root());
  EXPECT_TRUE(next.get(knob_want(30, 5)).valid);
  EXPECT_EQ(next.renders, 0);
  EXPECT_EQ(next.cache_reads, 1);
}

TEST(strip_library, without_rendering_or_a_renderer_the_strip_stays_invalid) {
  cache_dir cache;
  test_archive t(cache.dir / "src");
  strip_library lib(strip_kind::knob, false, false, &t.a.root());
  EXPECT_FALSE(lib.get(knob_want(40, 5), false).valid);
  strip odd = knob_want(40, 5);
  odd.style = "no_such_style";
  EXPECT_FALSE(lib.get(odd).valid);
  strip huge = knob_want(4000, 5000);
  EXPECT_FALSE(lib.get(huge).valid) << "a request beyond the size bound is refused";
  EXPECT_EQ(lib.renders, 0);
}

}  // namespace
}  // namespace gui
