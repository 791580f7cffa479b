// One engine on both platforms: the demo song, through the voices and a full
// effect chain, rendered by vorn-render.exe with vorn.dll under Wine equals,
// sample by sample within float tolerance, the same rendered natively by
// vorn-render with the Linux vorn.so; and the same for the VST 3 bundles
// through our VST 3 host. The files are made by the ctest fixtures
// windows.render_* and windows.vst3_render_*.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file_open.h"

namespace {

// Both builds come from the same sources, compiler and generated tables and do
// their float maths in SSE, so the renders may differ only where the C
// libraries do (pow, exp and sin are allowed an ulp or so): a coefficient one
// ulp apart, run through filters and feedback for the length of a song.
constexpr double tolerance = 1e-4;  // -80 dBFS

// The float WAVE files vorn-render writes: "fmt " format 3, 32 bits, and a
// "data" chunk of interleaved samples. Other layouts are refused.
struct wave {
  uint32_t rate = 0, channels = 0;
  std::vector<float> samples;
};

uint32_t le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t le16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

bool read_wave(const std::string& path, wave& w, std::string& error) {
  std::FILE* f = platform::open_file(path, "rb");
  if (!f) {
    error = "cannot open " + path;
    return false;
  }
  std::vector<unsigned char> bytes;
  unsigned char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  std::fclose(f);
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) || std::memcmp(&bytes[8], "WAVE", 4)) {
    error = path + " is not a WAVE file";
    return false;
  }
  bool format_ok = false;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    const unsigned char* chunk = &bytes[at];
    const size_t size = le32(chunk + 4);
    if (size > bytes.size() - at - 8) break;
    if (!std::memcmp(chunk, "fmt ", 4) && size >= 16) {
      w.channels = le16(chunk + 10);
      w.rate = le32(chunk + 12);
      format_ok = le16(chunk + 8) == 3 && le16(chunk + 22) == 32;
    } else if (!std::memcmp(chunk, "data", 4) && format_ok) {
      w.samples.resize(size / sizeof(float));
      std::memcpy(w.samples.data(), chunk + 8, w.samples.size() * sizeof(float));
      return true;
    }
    at += 8 + size + (size & 1);
  }
  error = path + " holds no 32-bit float data";
  return false;
}

// The two renders, sample by sample; prints the figures.
void expect_same_render(const std::string& linux_path, const std::string& windows_path) {
  wave linux_render, windows_render;
  std::string error;
  ASSERT_TRUE(read_wave(linux_path, linux_render, error)) << error;
  ASSERT_TRUE(read_wave(windows_path, windows_render, error)) << error;
  EXPECT_EQ(windows_render.rate, linux_render.rate);
  EXPECT_EQ(windows_render.channels, 2u);
  ASSERT_EQ(windows_render.samples.size(), linux_render.samples.size());

  double largest = 0.0, peak = 0.0, sum_sq = 0.0;
  size_t where = 0;
  for (size_t i = 0; i < linux_render.samples.size(); ++i) {
    const double a = linux_render.samples[i], b = windows_render.samples[i];
    ASSERT_TRUE(std::isfinite(b)) << "sample " << i;
    const double d = std::fabs(a - b);
    if (d > largest) largest = d, where = i;
    peak = std::max(peak, std::fabs(a));
    sum_sq += d * d;
  }
  const double frames = double(linux_render.samples.size()) / 2;
  std::printf("largest sample difference %.3g (%.1f dBFS) at %.3f s, %s channel; difference RMS %.3g; peak %.3f\n",
              largest, largest > 0 ? 20 * std::log10(largest) : -INFINITY, double(where / 2) / linux_render.rate,
              where % 2 ? "right" : "left", std::sqrt(sum_sq / (2 * frames)), peak);
  ::testing::Test::RecordProperty("largest_difference", std::to_string(largest));
  EXPECT_GT(peak, 0.1) << "the demo must be audible for the comparison to mean anything";
  EXPECT_LT(largest, tolerance);
}

}  // namespace

TEST(render_compare, dll_under_wine_renders_what_the_linux_plugin_renders) {
  expect_same_render(VORN_RENDER_DIR "/linux.wav", VORN_RENDER_DIR "/windows.wav");
}

// The VST 3 bundle through our VST 3 host: vorn-vst3host.exe loading
// vorn.vst3/Contents/<arch>-win/vorn.vst3 under Wine renders what
// vorn-vst3host renders through the Linux bundle.
TEST(render_compare, vst3_bundle_under_wine_renders_what_the_linux_bundle_renders) {
  expect_same_render(VORN_RENDER_DIR "/vst3_linux.wav", VORN_RENDER_DIR "/vst3_windows.wav");
}
