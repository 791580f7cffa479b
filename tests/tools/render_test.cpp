#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "tests/tools/fake_plugin.h"
#include "tests/support/scala_texts.h"
#include "tools/analysis/signal.h"
#include "tools/analysis/spectrum.h"
#include "tools/render/options.h"
#include "tools/render/plugin_report.h"
#include "tools/render/render_job.h"

namespace {

// --- command line ---

bool parse_line(std::vector<const char*> args, render::options& o, std::string& error) {
  args.insert(args.begin(), "vorn-render");
  return render::parse_options(int(args.size()), args.data(), o, error);
}

TEST(render_options, defaults_and_every_option) {
  render::options o;
  std::string error;
  ASSERT_TRUE(parse_line({"--midi", "a.mid", "-o", "x.wav"}, o, error)) << error;
  EXPECT_EQ(o.what, render::command::midi);
  EXPECT_EQ(o.sample_rate, 44100);
  EXPECT_EQ(o.block_size, 512);
  EXPECT_DOUBLE_EQ(o.tail_seconds, 2.0);
  EXPECT_EQ(o.program, -1);
  ASSERT_TRUE(parse_line({"--note", "64", "--velocity", "90", "--length", "1.5", "-o", "y.FLAC", "--rate",
                          "48000", "--block", "64", "--program", "3", "--param", "Filter Mode=0.5",
                          "--param", "7=1", "--tail", "0", "--plugin", "p.so"},
                         o, error))
      << error;
  EXPECT_EQ(o.what, render::command::note);
  EXPECT_EQ(o.note, 64);
  EXPECT_EQ(o.velocity, 90);
  EXPECT_DOUBLE_EQ(o.note_seconds, 1.5);
  EXPECT_EQ(o.sample_rate, 48000);
  EXPECT_EQ(o.block_size, 64);
  EXPECT_EQ(o.program, 3);
  ASSERT_EQ(o.params.size(), 2u);
  EXPECT_EQ(o.params[0].key, "Filter Mode");
  EXPECT_FLOAT_EQ(o.params[0].value, 0.5f);
  EXPECT_EQ(o.params[1].key, "7");
  EXPECT_EQ(o.plugin_path, "p.so");
  ASSERT_TRUE(parse_line({"--info", "/x/y.so"}, o, error));
  EXPECT_EQ(o.what, render::command::info);
  EXPECT_EQ(o.plugin_path, "/x/y.so");
}

TEST(render_options, effect_slots_and_their_parameters) {
  render::options o;
  std::string error;
  ASSERT_TRUE(parse_line({"--midi", "a.mid", "-o", "x.wav", "--fx", "0=Reverb", "--fx", "3=-", "--fx-param",
                          "0:14=9", "--fx-param", "3:0=0.25"},
                         o, error))
      << error;
  ASSERT_EQ(o.effects.size(), 2u);
  EXPECT_EQ(o.effects[0].slot, 0);
  EXPECT_EQ(o.effects[0].name, "Reverb");
  EXPECT_EQ(o.effects[1].name, "-");
  ASSERT_EQ(o.fx_params.size(), 2u);
  EXPECT_EQ(o.fx_params[0].slot, 0);
  EXPECT_EQ(o.fx_params[0].index, 14);
  EXPECT_FLOAT_EQ(o.fx_params[0].value, 9.f);
  EXPECT_FLOAT_EQ(o.fx_params[1].value, 0.25f);
  ASSERT_TRUE(parse_line({"--list-fx"}, o, error)) << error;
  EXPECT_EQ(o.what, render::command::list_fx);
  for (const char* bad : {"4=Gate", "0", "=Gate", "0="}) {
    EXPECT_FALSE(parse_line({"--note", "60", "-o", "x.wav", "--fx", bad}, o, error)) << bad;
  }
  for (const char* bad : {"0:x=1", "1=2", "0:1", "5:1=1", "0:-1=1", "0:1=abc"}) {
    EXPECT_FALSE(parse_line({"--note", "60", "-o", "x.wav", "--fx-param", bad}, o, error)) << bad;
  }
}

TEST(render_options, bad_lines_are_refused_with_a_reason) {
  const std::vector<std::vector<const char*>> bad = {
      {"--bogus"},
      {"--midi", "a.mid"},                               // no output
      {"--midi", "a.mid", "-o", "x.mp3"},                // unknown type
      {"--note", "128", "-o", "x.wav"},                  // out of MIDI range
      {"--note", "60", "-o", "x.wav", "--rate", "100"},  // absurd rate
      {"--note", "60", "-o", "x.wav", "--block", "0"},
      {"--note", "60", "-o", "x.wav", "--block", "12x"},
      {"--note", "60", "-o", "x.wav", "--param", "Cutoff"},
      {"--note", "60", "-o", "x.wav", "--param", "Cutoff=1.5"},
      {"--note", "60", "-o", "x.wav", "--tail", "nan"},
      {"--note", "60", "-o"},
  };
  for (const auto& line : bad) {
    SCOPED_TRACE(line[0] + std::string(" ") + line.back());
    render::options o;
    std::string error;
    EXPECT_FALSE(parse_line(line, o, error));
    EXPECT_FALSE(error.empty());
  }
}

TEST(render_report, four_character_ids_and_flag_names) {
  EXPECT_EQ(render::fourcc_text(vst_fourcc('k', 'v', 'x', '2')), "2xvk (0x6b767832, FourCC \"kvx2\")");
  EXPECT_EQ(render::fourcc_text(0x01020304), "0x01020304");
  EXPECT_EQ(render::flags_text(0x130), "0x130 (CanReplacing ProgramChunks IsSynth)");
  EXPECT_EQ(render::flags_text(0), "0x0");
}

// --- the render loop against a recording plug-in ---

class render_loop : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(plugin_.create(&fake::entry, error)) << error;
    plugin_.set_sample_rate(rate);
    plugin_.set_block_size(512);
    plugin_.resume();
  }
  static double at(int64_t frame) { return double(frame) / rate; }
  static constexpr int32_t rate = 1000;
  vsthost::plugin_instance plugin_;
};

TEST_F(render_loop, events_reach_the_block_holding_their_frame_at_its_offset) {
  std::vector<midi::timed_message> m;
  for (int64_t f : {0, 511, 512, 1000, 1030}) m.push_back({at(f), {0x90, uint8_t(f % 100), 1}, 3});
  render::render_settings settings{rate, 512, at(1030), 0.5};
  render::render_summary summary;
  std::vector<int32_t> sizes;
  std::string error;
  ASSERT_TRUE(render::render_messages(
      plugin_, m, settings,
      [&](const float*, const float*, int32_t n, std::string&) { sizes.push_back(n); return true; }, {},
      summary, error));
  EXPECT_EQ(summary.frames, 1030 + 500);
  EXPECT_EQ(sizes, (std::vector<int32_t>{512, 512, 506}));
  const auto& ev = fake::from(plugin_.effect())->events;
  ASSERT_EQ(ev.size(), 5u);
  const int32_t block[] = {0, 0, 1, 1, 2}, delta[] = {0, 511, 0, 488, 6};
  for (size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ev[i].block, block[i]);
    EXPECT_EQ(ev[i].delta_frames, delta[i]);
  }
  EXPECT_NEAR(summary.left.peak(), 0.25, 1e-7);
  EXPECT_NEAR(summary.right.rms(), 0.25, 1e-7);
  EXPECT_GT(summary.realtime_factor(), 0.0);
}

TEST_F(render_loop, a_crowded_block_is_cut_so_every_event_keeps_its_exact_frame) {
  const int32_t capacity = plugin_.midi_capacity();
  std::vector<midi::timed_message> m;
  for (int32_t i = 0; i < capacity; ++i) m.push_back({at(5), {0x90, 1, 1}, 3});
  m.push_back({at(300), {0x90, 2, 1}, 3});
  m.push_back({at(300), {0x90, 3, 1}, 3});
  render::render_settings settings{rate, 512, at(300), 0.1};
  render::render_summary summary;
  std::string error;
  ASSERT_TRUE(render::render_messages(plugin_, m, settings, {}, {}, summary, error));
  const auto& ev = fake::from(plugin_.effect())->events;
  ASSERT_EQ(int32_t(ev.size()), capacity + 2);
  EXPECT_EQ(ev[0].delta_frames, 5);
  EXPECT_EQ(ev[size_t(capacity)].block, 1);  // the block was cut at frame 300
  EXPECT_EQ(ev[size_t(capacity)].delta_frames, 0);
  EXPECT_EQ(ev[size_t(capacity) + 1].delta_frames, 0);
  EXPECT_EQ(summary.dropped_events, 0);
}

// --- the executable, end to end, against a third-party plug-in ---

struct run_result {
  int exit_code;
  std::string output;
};

// One of the built programs with its output (stdout and stderr).
run_result run_program(const std::string& program, const std::string& args) {
  const std::string cmd = std::string(VORN_BUILD_DIR) + "/" + program + " " + args + " 2>&1";
  run_result r{-1, {}};
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
  const int status = pclose(p);
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

run_result run(const std::string& args) { return run_program("vorn-render", args); }

std::string temp_path(const char* suffix) {
  const char* home = std::getenv("VORN_DATA_DIR");  // a private temp folder, see test_env.cpp
  return std::string(home ? home : "/tmp/") + "render_test" + suffix;
}

struct sound_file {
  SF_INFO info{};
  std::vector<float> left, right;
};

bool read_sound(const std::string& path, sound_file& out) {
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &out.info);
  if (!f || out.info.channels != 2) return false;
  std::vector<float> inter(size_t(out.info.frames) * 2);
  const sf_count_t got = sf_readf_float(f, inter.data(), out.info.frames);
  sf_close(f);
  for (sf_count_t i = 0; i < got; ++i) {
    out.left.push_back(inter[size_t(i) * 2]);
    out.right.push_back(inter[size_t(i) * 2 + 1]);
  }
  return got == out.info.frames;
}

const std::string amsynth = std::string("--plugin ") + AMSYNTH_PLUGIN_PATH;

TEST(vorn_render, note_renders_a_wav_of_note_plus_tail_that_is_not_silent) {
  const std::string out = temp_path("_note.wav");
  const run_result r = run(amsynth + " --note 60 --length 1 --tail 0.5 -o " + out);
  ASSERT_EQ(r.exit_code, 0) << r.output;
  EXPECT_NE(r.output.find("length 1.500 s (66150 frames at 44100 Hz)"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("realtime factor"), std::string::npos);
  sound_file s;
  ASSERT_TRUE(read_sound(out, s));
  EXPECT_EQ(s.info.samplerate, 44100);
  EXPECT_EQ(s.info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  EXPECT_EQ(s.info.frames, 66150);
  ASSERT_TRUE(analysis::all_finite(s.left.data(), s.left.size()));
  EXPECT_GT(analysis::rms(s.left.data(), 44100), 0.01);
  EXPECT_GT(analysis::rms(s.right.data(), 44100), 0.01);
  std::remove(out.c_str());
}

TEST(vorn_render, midi_file_renders_flac_at_the_requested_rate) {
  const std::string out = temp_path("_demo.flac");
  const run_result r = run(amsynth + " --midi " + VORN_SOURCE_DIR + "/assets/demo/demo.mid --tail 1 --rate 48000 " +
                           "--block 100 --param filter_cutoff=0.8 --param 14=0.5 -o " + out);
  ASSERT_EQ(r.exit_code, 0) << r.output;
  sound_file s;
  ASSERT_TRUE(read_sound(out, s));
  EXPECT_EQ(s.info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
  EXPECT_EQ(s.info.samplerate, 48000);
  EXPECT_EQ(s.info.frames, 48000 * 214 / 10);  // 20.4 s of song and 1 s of tail
  EXPECT_GT(analysis::rms(s.left.data(), s.left.size()), 0.01);
  std::remove(out.c_str());
}

TEST(vorn_render, info_describes_the_plugin) {
  const run_result r = run("--info " + std::string(AMSYNTH_PLUGIN_PATH));
  ASSERT_EQ(r.exit_code, 0) << r.output;
  EXPECT_NE(r.output.find("magic            kEffectMagic"), std::string::npos);
  EXPECT_NE(r.output.find("unique id        ysma (0x616d7379"), std::string::npos);
  EXPECT_NE(r.output.find("parameters (41):"), std::string::npos);
}

TEST(vorn_render, failures_exit_non_zero_with_a_message_and_no_output_file) {
  const std::string out = temp_path("_fail.wav");
  struct failing {
    std::string args;
    const char* expected;
  } cases[] = {
      {amsynth + " --midi /nonexistent.mid -o " + out, "cannot open"},
      {"--plugin /nonexistent.so --note 60 -o " + out, "cannot load"},
      {amsynth + " --note 60 --param no_such_param=0.5 -o " + out, "no_such_param"},
      {amsynth + " --note 60 --program 999999 -o " + out, "out of range"},
      {"--note 60 -o x.ogg", "unknown output type"},
  };
  for (const failing& c : cases) {
    SCOPED_TRACE(c.args);
    const run_result r = run(c.args);
    EXPECT_NE(r.exit_code, 0);
    EXPECT_NE(r.output.find(c.expected), std::string::npos) << r.output;
    EXPECT_FALSE(std::ifstream(out).good());
  }
}

// A file that is there but is no plug-in is reported for what it is, not as
// missing: the loader's own reason for a file it cannot map (named as typed,
// relative to the working folder), and the missing entry for a library that
// maps but exports none.
TEST(vorn_render, a_plugin_file_that_is_no_plugin_is_reported_as_such) {
  const std::filesystem::path junk = temp_path("_junk.bin");
  std::ofstream(junk, std::ios::binary) << std::string(300, 'J');
  Dl_info maths{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(static_cast<double (*)(double)>(&::cos)), &maths), 0);
  const std::string out = " --note 60 --tail 0 -o " + temp_path("_junk.wav");
  struct failing {
    std::string command;
    const char* expected;
  } cases[] = {
      {"cd " + junk.parent_path().string() + " && " VORN_BUILD_DIR "/vorn-render --plugin " +
           junk.filename().string() + out,
       "invalid ELF header"},
      {VORN_BUILD_DIR "/vorn-render --plugin " + junk.string() + out, "invalid ELF header"},
      {VORN_BUILD_DIR "/vorn-render --plugin " + std::string(maths.dli_fname) + out,
       "not a VST 2 plug-in: no VSTPluginMain"},
  };
  for (const failing& c : cases) {
    SCOPED_TRACE(c.command);
    FILE* p = popen((c.command + " 2>&1").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string output;
    char buf[1024];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) output.append(buf, n);
    const int status = pclose(p);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1);
    EXPECT_NE(output.find(c.expected), std::string::npos) << output;
    EXPECT_EQ(output.find("No such file or directory"), std::string::npos) << output;
  }
}

}  // namespace

// --- effect slots through our own plug-in ---

TEST(vorn_render, list_fx_prints_every_effect_with_its_parameters_and_defaults) {
  const run_result r = run("--list-fx");
  ASSERT_EQ(r.exit_code, 0) << r.output;
  EXPECT_NE(r.output.find("effects (16, in registry order)"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Reverb (24 parameters)"), std::string::npos);
  EXPECT_NE(r.output.find("Ringmod (5 parameters)"), std::string::npos);
  EXPECT_NE(r.output.find("\"109 ms\""), std::string::npos);  // mDelay "Left" at its default
  EXPECT_EQ(r.output.find("mmFilter"), std::string::npos);
}

// Width and height from a PNG's header chunk (big-endian, bytes 16..23).
static bool png_size(const std::string& path, uint32_t& w, uint32_t& h) {
  std::ifstream f(path, std::ios::binary);
  unsigned char b[24] = {};
  if (!f.read(reinterpret_cast<char*>(b), sizeof b) || b[1] != 'P' || b[2] != 'N' || b[3] != 'G') return false;
  w = uint32_t(b[16]) << 24 | uint32_t(b[17]) << 16 | uint32_t(b[18]) << 8 | b[19];
  h = uint32_t(b[20]) << 24 | uint32_t(b[21]) << 16 | uint32_t(b[22]) << 8 | b[23];
  return true;
}

TEST(vorn_render, editor_shots_at_a_scale_and_page_and_a_plugin_without_our_editor_refused) {
  const std::string out = temp_path("_editor.png");
  const run_result r = run("--editor-shot " + out + " --scale 1.5 --page route --param 41=0.8 --note 57 --length 0.2");
  ASSERT_EQ(r.exit_code, 0) << r.output;
  EXPECT_NE(r.output.find("editor (1143 x 774, scale 1.50)"), std::string::npos) << r.output;
  uint32_t w = 0, h = 0;
  ASSERT_TRUE(png_size(out, w, h));
  EXPECT_EQ(w, 1143u);
  EXPECT_EQ(h, 774u);
  std::remove(out.c_str());
  const run_result bad_page = run("--editor-shot " + out + " --page mixer");
  EXPECT_NE(bad_page.exit_code, 0);
  EXPECT_NE(bad_page.output.find("--page"), std::string::npos) << bad_page.output;
  const run_result foreign = run(amsynth + " --editor-shot " + out);
  EXPECT_NE(foreign.exit_code, 0);
  EXPECT_NE(foreign.output.find("has no editor to draw"), std::string::npos) << foreign.output;
  EXPECT_FALSE(std::ifstream(out).good());
}

TEST(vorn_render, plays_in_a_scala_tuning_and_refuses_a_broken_one) {
  const std::string scale = temp_path("_19.scl"), broken = temp_path("_bad.scl"), out = temp_path("_19.wav");
  std::ofstream(scale) << test_support::equal_scale_text(19);
  std::ofstream(broken) << "zero\n2\n0/1\n2/1\n";
  // Key 79 is 19 steps above middle C: the octave, 523.2512 Hz.
  const std::string sine = " --param 16=0.75 --param 35=0 --param 1=0.1";
  const run_result r = run("--note 79 --length 1 --tail 0 --tuning " + scale + sine + " -o " + out);
  ASSERT_EQ(r.exit_code, 0) << r.output;
  sound_file s;
  ASSERT_TRUE(read_sound(out, s));
  const double hz = analysis::fundamental_hz(s.left.data() + 4410, 39690, 44100, 523.2512);
  EXPECT_NEAR(analysis::cents(hz, 523.2512), 0.0, 0.1) << hz;
  std::remove(out.c_str());
  const run_result bad = run("--note 60 --tuning " + broken + " -o " + out);
  EXPECT_NE(bad.exit_code, 0);
  EXPECT_NE(bad.output.find("Line 3: ratio must be positive"), std::string::npos) << bad.output;
  EXPECT_FALSE(std::ifstream(out).good());
}

TEST(vorn_render, the_demo_through_reverb_and_delay_keeps_ringing_after_the_song) {
  const std::string dry = temp_path("_dry.wav"), wet = temp_path("_wet.wav");
  const std::string song = std::string(" --midi ") + VORN_SOURCE_DIR + "/assets/demo/demo.mid --tail 2 -o ";
  const run_result a = run(song + dry);
  ASSERT_EQ(a.exit_code, 0) << a.output;
  const run_result b = run(song + wet + " --fx 0=Reverb --fx 1=mDelay --fx-param 0:16=0.8");
  ASSERT_EQ(b.exit_code, 0) << b.output;
  EXPECT_NE(b.output.find("effect slot 0: Reverb"), std::string::npos) << b.output;
  EXPECT_NE(b.output.find("effect slot 1: mDelay"), std::string::npos);
  EXPECT_NE(b.output.find("effect slot 0: Decay = 80%"), std::string::npos);
  sound_file x, y;
  ASSERT_TRUE(read_sound(dry, x));
  ASSERT_TRUE(read_sound(wet, y));
  ASSERT_EQ(x.left.size(), y.left.size());
  const size_t tail = x.left.size() - size_t(1.5 * 44100);
  const double dry_tail = analysis::rms(x.left.data() + tail, x.left.size() - tail);
  const double wet_tail = analysis::rms(y.left.data() + tail, y.left.size() - tail);
  EXPECT_GT(wet_tail, 1e-3);
  EXPECT_GT(wet_tail, 10 * dry_tail);
  ASSERT_TRUE(analysis::all_finite(y.left.data(), y.left.size()));
  const run_result c = run(song + wet + " --fx 0=Chorus");
  EXPECT_NE(c.exit_code, 0);
  EXPECT_NE(c.output.find("no effect named \"Chorus\""), std::string::npos) << c.output;
  std::remove(dry.c_str());
  std::remove(wet.c_str());
}

// --- songs played by the plug-in's own sequencer ---

// Lines of the output that are row texts ("PP.RR|...").
std::vector<std::string> row_lines(const std::string& output) {
  std::vector<std::string> rows;
  size_t at = 0;
  while (at < output.size()) {
    const size_t end = output.find('\n', at);
    const std::string line = output.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (line.size() > 6 && line[2] == '.' && line[5] == '|') rows.push_back(line);
    at = end == std::string::npos ? output.size() : end + 1;
  }
  return rows;
}

TEST(vorn_render, the_bundled_song_compiles_and_plays_its_passes_with_every_row_shown) {
  const std::string module = temp_path("_song.ahx"), out = temp_path("_song.wav");
  const run_result made = run_program("vorn-ahx", std::string(VORN_SOURCE_DIR) + "/assets/demo/demo_song.txt -o " + module);
  ASSERT_EQ(made.exit_code, 0) << made.output;
  EXPECT_NE(made.output.find("17 positions"), std::string::npos) << made.output;

  const run_result once = run("--sequence " + module + " --row-text --tail 1 -o " + out);
  ASSERT_EQ(once.exit_code, 0) << once.output;
  EXPECT_NE(once.output.find("song \"Night Drive\": 1 pass, 272 rows"), std::string::npos) << once.output;
  const std::vector<std::string> rows = row_lines(once.output);
  ASSERT_EQ(rows.size(), 272u);
  EXPECT_EQ(rows.front().substr(0, 6), "00.00|");
  EXPECT_EQ(rows.back().substr(0, 6), "16.15|");
  EXPECT_NE(rows[64].find("C-4  1"), std::string::npos) << rows[64];  // the beat's kick on channel 1
  sound_file s;
  ASSERT_TRUE(read_sound(out, s));
  const double seconds = 272 * 0.12;  // rows of 6 ticks at 50 Hz
  EXPECT_NEAR(double(s.info.frames) / 44100.0, seconds + 1.0, 0.02);
  ASSERT_TRUE(analysis::all_finite(s.left.data(), s.left.size()));
  // Every part sounds on both sides: the intro, the groove, the melody.
  for (double at : {1.0, 9.0, 17.0, 26.0}) {
    SCOPED_TRACE(at);
    const size_t from = size_t(at * 44100);
    EXPECT_GT(analysis::rms(s.left.data() + from, 44100), 0.005);
    EXPECT_GT(analysis::rms(s.right.data() + from, 44100), 0.005);
  }

  const run_result twice = run("--sequence " + module + " --loops 2 --tail 0 -o " + out);
  ASSERT_EQ(twice.exit_code, 0) << twice.output;
  // The second pass starts at the restart position 4: 13 more positions.
  EXPECT_NE(twice.output.find("2 passes, 480 rows"), std::string::npos) << twice.output;
  const run_result bad = run("--sequence " + temp_path("_missing.ahx") + " -o " + out);
  EXPECT_NE(bad.exit_code, 0);
  EXPECT_NE(bad.output.find("command 56 returned 3"), std::string::npos) << bad.output;
  std::remove(module.c_str());
  std::remove(out.c_str());
}
