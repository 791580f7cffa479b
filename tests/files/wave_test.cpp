#include <cmath>
#include <memory>

#include "files/wave_load.h"
#include "riff/wave_reader.h"
#include "tests/files/files_support.h"
#include "tests/support/wave_builder.h"

namespace {

using files_test::bytes;
using test_support::wave_builder;

riff::wave_reader parsed(const bytes& file) {
  riff::wave_reader w;
  w.parse(file.data(), file.size());
  return w;
}

TEST(riff_load, codes_and_texts) {
  EXPECT_EQ(parsed({}).error, riff::wave_error::invalid_file);
  EXPECT_EQ(parsed({'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}).error, riff::wave_error::not_riff);
  bytes not_wave = wave_builder().format(1, 1, 8000, 8).data({1}).bytes();
  not_wave[8] = 'A';
  EXPECT_EQ(parsed(not_wave).error, riff::wave_error::not_wave);
  EXPECT_EQ(parsed(wave_builder().data({1, 2}).bytes()).error, riff::wave_error::no_format);
  EXPECT_EQ(parsed(wave_builder().format(1, 1, 8000, 16).bytes()).error, riff::wave_error::no_data);
  EXPECT_EQ(parsed(wave_builder().format(2, 1, 8000, 16).data({1, 2}).bytes()).error, riff::wave_error::not_pcm);
  // No channels: an error, not a division by zero.
  EXPECT_EQ(parsed(wave_builder().format(1, 0, 8000, 16).data({1, 2}).bytes()).error, riff::wave_error::not_pcm);
  EXPECT_EQ(parsed(wave_builder().format(1, 1, 8000, 12).data({1, 2}).bytes()).error, riff::wave_error::not_pcm);
  EXPECT_STREQ(riff::wave_error_text(5), "Couldn't locate data chunk");
  EXPECT_STREQ(riff::wave_error_text(7), "Unexpected chunk size");
  EXPECT_STREQ(riff::wave_error_text(8), "unknown");
  EXPECT_STREQ(riff::wave_error_text(-1), "unknown");
}

TEST(riff_load, frames_pads_sampler_and_title) {
  // An odd-sized chunk before "data": its pad byte is skipped.
  const riff::wave_reader w = parsed(wave_builder()
                                         .format(1, 2, 44100, 16)
                                         .chunk("junk", {1, 2, 3})
                                         .data(bytes(4000, 0))
                                         .sampler(72, 0x80000000u, true, 10, 20, 7)
                                         .title("Pad")
                                         .bytes());
  EXPECT_EQ(w.error, 0);
  EXPECT_EQ(w.frame_count, 1000u);
  EXPECT_EQ(w.last_frame, 999);
  EXPECT_DOUBLE_EQ(w.unity_offset, 12.5);
  EXPECT_EQ(w.loop_mode, 1u);
  EXPECT_EQ(w.loop_start, 10u);
  EXPECT_EQ(w.loop_end, 20u);
  EXPECT_EQ(w.loop_fraction, 7u);
  EXPECT_EQ(w.name, "Pad");
}

synth::pcm_record converted(const bytes& file) {
  synth::pcm_record r;
  EXPECT_EQ(synth::convert_wave(parsed(file), r), 0);
  return r;
}

TEST(load_wave, sample_conversion_and_guard_frames) {
  const synth::pcm_record r8 = converted(wave_builder().format(1, 1, 8000, 8).data({0, 255, 128}).bytes());
  ASSERT_EQ(r8.length, 3);
  EXPECT_EQ(r8.frames()[0], -32768);
  EXPECT_EQ(r8.frames()[1], 32512);
  EXPECT_EQ(r8.frames()[2], 0);

  const synth::pcm_record rf = converted(wave_builder().format(3, 1, 8000, 32).data_float({1.f, -1.5f, 0.5f}).bytes());
  EXPECT_EQ(rf.frames()[0], 32767);
  EXPECT_EQ(rf.frames()[1], -32768);
  EXPECT_EQ(rf.frames()[2], 16384);

  // Stereo keeps the first channel only.
  const synth::pcm_record st = converted(wave_builder().format(1, 2, 8000, 16).data16({1, -1, 2, -2}).bytes());
  ASSERT_EQ(st.length, 2);
  EXPECT_EQ(st.frames()[1], 2);

  // Without a loop the guards repeat the last frame; with one they continue it.
  const synth::pcm_record plain = converted(wave_builder().format(1, 1, 8000, 16).data16({10, 20, 30, 40}).bytes());
  EXPECT_EQ((std::vector<int16_t>(plain.frames() + 4, plain.frames() + 8)), (std::vector<int16_t>{40, 40, 40, 40}));
  const synth::pcm_record looped = converted(
      wave_builder().format(1, 1, 8000, 16).data16({10, 20, 30, 40}).sampler(60, 0, true, 2, 99).bytes());
  EXPECT_TRUE(looped.loop);
  EXPECT_EQ(looped.loop_end, 3);  // an end past the data becomes the last frame
  EXPECT_EQ((std::vector<int16_t>(looped.frames() + 4, looped.frames() + 8)), (std::vector<int16_t>{30, 40, 10, 20}));
}

TEST(load_wave, pitch_follows_the_unity_note) {
  // Middle C is the reference: a 44.1 kHz sample without a sampler chunk
  // advances rate / 261.63 Hz frames per cycle; a unity note an octave up
  // halves that (within the 128-step table's interpolation).
  EXPECT_NEAR(synth::frames_per_cycle(44100.0, 0.0), 44100.0 / 261.6255653, 1e-3);
  EXPECT_NEAR(synth::frames_per_cycle(44100.0, 12.0), 0.5 * 44100.0 / 261.6255653, 1e-2);
  EXPECT_NEAR(synth::frames_per_cycle(44100.0, -7.0) / synth::frames_per_cycle(44100.0, 0.0),
              std::pow(2.0, 7.0 / 12.0), 1e-4);
}

class wave_files : public ::testing::Test {
 protected:
  void SetUp() override {
    engine_ = std::make_unique<synth::synth>();
    if (!files_test::sox("-n " + path("probe.wav") + " synth 0.01 sine 440")) GTEST_SKIP() << "sox missing";
  }
  static std::string path(const std::string& name) { return files_test::scratch(name); }
  std::unique_ptr<synth::synth> engine_;
};

TEST_F(wave_files, sox_made_files_of_every_width) {
  ASSERT_TRUE(files_test::sox("-n -r 22050 -b 8 -c 1 " + path("s8.wav") + " synth 0.1 sine 440"));
  ASSERT_TRUE(files_test::sox("-n -r 44100 -b 16 -c 2 " + path("s16.wav") + " synth 0.5 sine 440 sine 660"));
  ASSERT_TRUE(files_test::sox("-n -r 44100 -b 24 -c 1 " + path("s24.wav") + " synth 0.1 sine 440"));
  ASSERT_TRUE(files_test::sox("-n -r 48000 -e floating-point -b 32 -c 1 " + path("f32.wav") + " synth 0.1 sine 440"));
  EXPECT_EQ(synth::load_wave(*engine_, path("s8.wav")), "Loaded wave\n" + path("s8.wav"));
  EXPECT_EQ(synth::load_wave(*engine_, path("s16.wav")), "Loaded wave\n" + path("s16.wav"));
  EXPECT_EQ(synth::load_wave(*engine_, path("s24.wav")),
            "Error in synth::load_wave()\nSample data is PCM but not 8-bit or 16-bit");
  EXPECT_EQ(synth::load_wave(*engine_, path("f32.wav")), "Loaded wave\n" + path("f32.wav"));
  EXPECT_EQ(synth::load_wave(*engine_, path("none.wav")), "Error in riff::load\nInvalid file/filename");
  ASSERT_EQ(engine_->pcms().count(), 3);
  EXPECT_EQ(engine_->pcms().at(0)->length, 2205);
  EXPECT_EQ(engine_->pcms().at(1)->length, 22050);  // stereo: one frame per pair
  EXPECT_EQ(engine_->pcms().at(2)->name, "f32");
  EXPECT_EQ(engine_->pcms().at(2)->source_bits, 32);
  // The left channel (440 Hz) is what was kept: its peak is full scale.
  int peak = 0;
  for (int i = 0; i < 22050; ++i) peak = std::max(peak, std::abs(int(engine_->pcms().at(1)->frames()[i])));
  EXPECT_GT(peak, 20000);
}

TEST_F(wave_files, names_from_either_separator_and_lists) {
  // A file whose name holds a backslash: the text after it names the wave.
  const bytes w = wave_builder().format(1, 1, 8000, 16).data16({1, 2, 3}).bytes();
  files_test::write_bytes(path("dir\\pad.wav"), w);
  EXPECT_EQ(synth::load_wave(*engine_, path("dir\\pad.wav")).substr(0, 11), "Loaded wave");
  EXPECT_EQ(engine_->pcms().at(0)->name, "pad");
  files_test::write_bytes(path("titled.wav"), test_support::wave_builder().format(1, 1, 8000, 16).data16({1}).title("Choir").bytes());
  synth::load_wave(*engine_, path("titled.wav"));
  EXPECT_EQ(engine_->pcms().at(1)->name, "Choir");
  // The waveform parameter shows the loaded waves by name.
  char text[64];
  engine_->set_param(synth::p::osc_a_waveform, 0, 7.f);
  engine_->display_param(synth::p::osc_a_waveform, 0, text, sizeof text);
  EXPECT_STREQ(text, "Choir");
  engine_->set_param(synth::p::osc_a_waveform, 0, 8.f);
  engine_->display_param(synth::p::osc_a_waveform, 0, text, sizeof text);
  EXPECT_STREQ(text, "PCM no data!");

  // Three lines, one naming a missing file: the list is replaced by the two.
  files_test::write_bytes(path("a.wav"), w);
  files_test::write_bytes(path("b.wav"), w);
  const std::string list = "a.wav\r\nmissing.wav\n\nb.wav";
  files_test::write_bytes(path("three.wavs"), bytes(list.begin(), list.end()));
  EXPECT_EQ(synth::load_wave(*engine_, path("three.wavs")),
            "Failed to load all files from .wavs list!\nFailed on 1 lines");
  EXPECT_EQ(engine_->pcms().count(), 2);

  const std::string good = "a.wav\nb.wav\n";
  files_test::write_bytes(path("two.wavs"), bytes(good.begin(), good.end()));
  EXPECT_EQ(synth::load_wave(*engine_, path("two.wavs")), "Successfully loaded " + path("two.wavs") + "\nLoaded 2 files");
  // A list naming itself is one failed line, not endless recursion.
  const std::string self = "self.wavs\na.wav\n";
  files_test::write_bytes(path("self.wavs"), bytes(self.begin(), self.end()));
  EXPECT_EQ(synth::load_wave(*engine_, path("self.wavs")),
            "Failed to load all files from .wavs list!\nFailed on 1 lines");
  EXPECT_EQ(engine_->pcms().count(), 1);
  files_test::write_bytes(path("empty.wavs"), {});
  EXPECT_EQ(synth::load_wave(*engine_, path("empty.wavs")), "File is empty!\n" + path("empty.wavs"));
  EXPECT_EQ(synth::load_wave(*engine_, path("gone.wavs")), "Couldn't access file!\n" + path("gone.wavs"));
}

}  // namespace
