// The render tool's own WAVE writer, read back by libsndfile: the header it
// patches at close, the samples in order, and the 4 GiB limit of the format.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/render/audio_writer.h"

TEST(wav_writer, float_samples_come_back_exactly_and_the_size_limit_keeps_the_file_valid) {
  const std::string path = std::string(std::getenv("VORN_DATA_DIR")) + "wav_writer_test.wav";
  std::vector<float> left(1000), right(1000);
  for (size_t i = 0; i < left.size(); ++i) {
    left[i] = float(i) / 1000.f - 0.5f;
    right[i] = i % 7 == 0 ? 1.75f : -float(i) * 1e-7f;  // beyond full scale stays as it is
  }
  render::audio_writer w;
  std::string error;
  ASSERT_TRUE(w.open(path, 48000, error)) << error;
  ASSERT_TRUE(w.write(left.data(), right.data(), 600, error)) << error;
  ASSERT_TRUE(w.write(left.data() + 600, right.data() + 600, 400, error)) << error;
  // 16 GiB more cannot be described by a RIFF size: refused before any sample is read.
  EXPECT_FALSE(w.write(nullptr, nullptr, INT_MAX, error));
  EXPECT_NE(error.find("4 GiB"), std::string::npos) << error;
  ASSERT_TRUE(w.close(error)) << error;

  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  EXPECT_EQ(info.samplerate, 48000);
  EXPECT_EQ(info.channels, 2);
  ASSERT_EQ(info.frames, 1000);
  std::vector<float> got(2000);
  sf_command(f, SFC_SET_NORM_FLOAT, nullptr, SF_FALSE);
  EXPECT_EQ(sf_readf_float(f, got.data(), 1000), 1000);
  sf_close(f);
  for (size_t i = 0; i < left.size(); ++i) {
    ASSERT_EQ(got[2 * i], left[i]) << i;
    ASSERT_EQ(got[2 * i + 1], right[i]) << i;
  }
  std::remove(path.c_str());
}
