// vorn-render's sound-file options, run as a user runs them.
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "files/preset_chunk.h"
#include "files/preset_files.h"
#include "tests/files/files_support.h"
#include "tests/support/wave_builder.h"
#include "tools/analysis/spectrum.h"

namespace {

using files_test::bytes;

int run(const std::string& args) {
  const std::string line = std::string(VORN_BUILD_DIR "/vorn-render ") + args + " > /dev/null";
  return std::system(line.c_str());
}

std::vector<float> left_channel(const std::string& path, int* rate = nullptr) {
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return {};
  std::vector<float> all(size_t(info.frames * info.channels));
  sf_readf_float(f, all.data(), info.frames);
  sf_close(f);
  if (rate) *rate = info.samplerate;
  std::vector<float> left(size_t(info.frames));
  for (size_t i = 0; i < left.size(); ++i) left[i] = all[i * size_t(info.channels)];
  return left;
}

TEST(render_files, saved_state_renders_the_same_audio) {
  const std::string demo = VORN_SOURCE_DIR "/assets/demo/demo.mid";
  const std::string a = files_test::scratch("a.wav"), b = files_test::scratch("b.wav");
  const std::string s1 = files_test::scratch("one.vornstate"), s2 = files_test::scratch("two.vornstate");
  ASSERT_EQ(run("--midi " + demo + " -o " + a + " --tail 0.5 --param Volume=0.4 --save-state " + s1 +
                " --save-preset " + files_test::scratch("p.vornpreset")),
            0);
  ASSERT_EQ(run("--midi " + demo + " -o " + b + " --tail 0.5 --state " + s1 + " --save-state " + s2), 0);
  EXPECT_EQ(files_test::read_bytes(s1), files_test::read_bytes(s2));
  EXPECT_EQ(files_test::read_bytes(files_test::scratch("p.vornpreset")).size(), 376u + 13 + 13);  // "Init" in "Init"
  const std::vector<float> la = left_channel(a), lb = left_channel(b);
  ASSERT_FALSE(la.empty());
  EXPECT_TRUE(la == lb) << "the state did not bring the sound back";
  // The state carried the change: a note renders differently without it.
  const std::string c = files_test::scratch("c.wav"), d = files_test::scratch("d.wav");
  ASSERT_EQ(run("--note 48 --length 0.5 --tail 0 -o " + c + " --state " + s1), 0);
  ASSERT_EQ(run("--note 48 --length 0.5 --tail 0 -o " + d), 0);
  EXPECT_FALSE(left_channel(c) == left_channel(d));
}

TEST(render_files, bank_program_and_preset_options) {
  auto bank = std::make_unique<synth::bank>();
  synth::preset init;
  synth::build_factory_init(init);
  for (synth::preset& p : bank->slots) p = init;
  bank->slots[5].set(synth::p::filter_frequency, 0.2f);
  const std::string bank_path = files_test::scratch("b.vornbank");
  ASSERT_EQ(files::save_bank_file(bank_path, *bank), "");
  ASSERT_EQ(files::save_preset_file(files_test::scratch("five.vornpreset"), bank->slots[5]), "saved preset");
  const std::string x = files_test::scratch("x.wav"), y = files_test::scratch("y.wav");
  ASSERT_EQ(run("--note 48 --length 0.5 --tail 0.2 -o " + x + " --bank " + bank_path + " --program 5"), 0);
  ASSERT_EQ(run("--note 48 --length 0.5 --tail 0.2 -o " + y + " --preset " + files_test::scratch("five.vornpreset")),
            0);
  EXPECT_TRUE(left_channel(x) == left_channel(y));
  EXPECT_NE(run("--note 48 -o " + y + " --bank " + files_test::scratch("none.vornbank")), 0);
}

TEST(render_files, a_loaded_wave_plays_at_its_unity_note) {
  // One second of a 440 Hz sine at 44.1 kHz: exactly 440 cycles, looped
  // whole, unity note 69 (A4).
  std::vector<int16_t> sine(44100);
  for (size_t i = 0; i < sine.size(); ++i) sine[i] = int16_t(std::lrint(20000.0 * std::sin(2.0 * M_PI * 440.0 * double(i) / 44100.0)));
  const std::string wave = files_test::scratch("a440.wav");
  files_test::write_bytes(wave, test_support::wave_builder().format(1, 1, 44100, 16).data16(sine).sampler(69, 0, true, 0, 44099).bytes());
  synth::preset pcm;
  synth::build_factory_init(pcm);
  pcm.set(synth::p::osc_a_waveform, 6.f);
  pcm.set(synth::p::osc_b_level, 0.f);
  const std::string preset = files_test::scratch("pcm.vornpreset");
  ASSERT_EQ(files::save_preset_file(preset, pcm), "saved preset");
  for (int note : {69, 81}) {
    const std::string out = files_test::scratch("pcm" + std::to_string(note) + ".wav");
    ASSERT_EQ(run("--note " + std::to_string(note) + " --length 2 --tail 0 -o " + out + " --wave " + wave + " --preset " + preset), 0);
    int rate = 0;
    const std::vector<float> l = left_channel(out, &rate);
    ASSERT_GT(l.size(), 80000u);
    const double expected = 440.0 * std::pow(2.0, (note - 69) / 12.0);
    const double hz = analysis::fundamental_hz(l.data() + 22050, 44100, rate, expected);
    EXPECT_NEAR(analysis::cents(hz, expected), 0.0, 5.0) << note << ": " << hz << " Hz";
  }
}

}  // namespace
