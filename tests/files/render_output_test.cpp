// vorn-render and the files it writes, run as a user runs it: an existing
// output is replaced only by a render that finished, bad input and targets
// that cannot be written stop it before any audio is written, and --info
// describes the bank it was given.
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>

#include "files/preset_files.h"
#include "tests/files/files_support.h"

namespace {

using files_test::bytes;

struct run_result {
  int exit_code = -1;
  std::string output;  // stdout and stderr
};

run_result render(const std::string& args) {
  const std::string line = std::string(VORN_BUILD_DIR "/vorn-render ") + args + " 2>&1";
  run_result r;
  FILE* p = popen(line.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.output.append(buf, n);
  const int status = pclose(p);
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

// A folder of its own per test, so leftovers can be counted.
std::string folder(const std::string& name) {
  const std::filesystem::path dir = std::filesystem::path(files_test::scratch("render_output")) / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string();
}

std::vector<std::string> names_in(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string junk_file(const std::string& path) {
  std::mt19937 rng(11);
  bytes junk(600);
  for (uint8_t& b : junk) b = uint8_t(rng());
  files_test::write_bytes(path, junk);
  return path;
}

TEST(render_output, bad_input_leaves_an_existing_output_byte_identical) {
  const std::string dir = folder("bad_input");
  const std::string junk = junk_file(dir + "/junk.bin");
  const std::string missing = dir + "/missing.bin";
  for (const char* name : {"keep.wav", "keep.flac"}) {
    const std::string keep = dir + "/" + name;
    const run_result first = render("--note 60 --length 0.3 --tail 0 -o " + keep);
    ASSERT_EQ(first.exit_code, 0) << first.output;
    const bytes before = files_test::read_bytes(keep);
    ASSERT_GT(before.size(), 1000u);
    for (const std::string& input : {junk, missing}) {
      for (const std::string& args : {"--sequence " + input, "--midi " + input, "--note 60 --state " + input,
                                      "--note 60 --bank " + input}) {
        SCOPED_TRACE(args + " -o " + name);
        files_test::write_bytes(keep, before);
        const run_result r = render(args + " --length 0.3 --tail 0 -o " + keep);
        EXPECT_EQ(r.exit_code, 1) << r.output;
        EXPECT_NE(r.output.find(input), std::string::npos) << "the message names the file: " << r.output;
        const bytes after = files_test::read_bytes(keep);
        EXPECT_TRUE(after == before) << after.size() << " bytes, were " << before.size();
      }
    }
    // A render that finishes replaces it.
    const run_result longer = render("--note 60 --length 0.6 --tail 0 -o " + keep);
    ASSERT_EQ(longer.exit_code, 0) << longer.output;
    EXPECT_GT(files_test::read_bytes(keep).size(), before.size() + 1000);
  }
  // Nothing half-written is left beside the outputs.
  EXPECT_EQ(names_in(dir), (std::vector<std::string>{"junk.bin", "keep.flac", "keep.wav"}));
}

// A render stopped from outside part way (SIGTERM, or Ctrl+C's SIGINT) leaves
// the old output as it was and no half-written file beside it.
TEST(render_output, a_render_stopped_part_way_leaves_the_old_output) {
  const std::string dir = folder("stopped");
  const std::string keep = dir + "/keep.wav";
  ASSERT_EQ(render("--note 60 --length 0.3 --tail 0 -o " + keep).exit_code, 0);
  const bytes before = files_test::read_bytes(keep);
  for (int sig : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(sig);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::freopen("/dev/null", "w", stdout);
      execl(VORN_BUILD_DIR "/vorn-render", "vorn-render", "--note", "60", "--length", "3000", "--tail", "0", "-o",
            keep.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    // Stopped once its audio is being written (the temporary exists).
    bool writing = false;
    for (int i = 0; i < 600 && !writing; ++i) {
      writing = names_in(dir).size() > 1;
      if (!writing) usleep(20000);
    }
    EXPECT_TRUE(writing) << "the render never started writing";
    usleep(100000);
    kill(child, sig);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "it ended by itself: " << status;
    const bytes after = files_test::read_bytes(keep);
    EXPECT_TRUE(after == before) << after.size() << " bytes, were " << before.size();
    EXPECT_EQ(names_in(dir), std::vector<std::string>{"keep.wav"});
  }
}

TEST(render_output, unwritable_save_targets_fail_before_any_audio_is_written) {
  const std::string dir = folder("unwritable");
  const std::string out = dir + "/out.wav";
  const std::string nowhere = dir + "/missing_folder/";
  for (const std::string& save : {"--save-state " + nowhere + "s.vornstate", "--save-preset " + nowhere + "p.vornpreset"}) {
    SCOPED_TRACE(save);
    const run_result r = render("--note 60 --length 0.3 --tail 0 -o " + out + " " + save);
    EXPECT_EQ(r.exit_code, 1) << r.output;
    EXPECT_NE(r.output.find(nowhere), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("rendered"), std::string::npos) << r.output;
    EXPECT_TRUE(names_in(dir).empty()) << "an output was written before the save failed";
  }
  // The same render with writable targets writes all three.
  const run_result ok = render("--note 60 --length 0.3 --tail 0 -o " + out + " --save-state " + dir +
                               "/s.vornstate --save-preset " + dir + "/p.vornpreset");
  ASSERT_EQ(ok.exit_code, 0) << ok.output;
  EXPECT_EQ(names_in(dir), (std::vector<std::string>{"out.wav", "p.vornpreset", "s.vornstate"}));
}

TEST(render_output, info_lists_the_programs_of_the_bank_and_state_it_is_given) {
  const std::string dir = folder("info");
  auto bank = std::make_unique<synth::bank>();
  synth::preset init;
  synth::build_factory_init(init);
  for (synth::preset& p : bank->slots) p = init;
  bank->slots[0].name = "Bank Zero";
  bank->slots[127].name = "Bank Last";
  const std::string bank_path = dir + "/named.vornbank";
  ASSERT_EQ(files::save_bank_file(bank_path, *bank), "");
  const run_result r = render("--info --bank " + bank_path);
  ASSERT_EQ(r.exit_code, 0) << r.output;
  EXPECT_NE(r.output.find("Bank Zero"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Bank Last"), std::string::npos);

  // A state saved with that bank lists the same names; a bad bank is refused.
  const std::string state = dir + "/named.vornstate";
  ASSERT_EQ(render("--note 60 --length 0.1 --tail 0 -o " + dir + "/x.wav --bank " + bank_path + " --save-state " +
                   state).exit_code,
            0);
  const run_result s = render("--info --state " + state);
  ASSERT_EQ(s.exit_code, 0) << s.output;
  EXPECT_NE(s.output.find("Bank Last"), std::string::npos) << s.output;
  const run_result bad = render("--info --bank " + junk_file(dir + "/junk.vornbank"));
  EXPECT_EQ(bad.exit_code, 1) << bad.output;
  EXPECT_NE(bad.output.find("invalid bank chunk id"), std::string::npos) << bad.output;
}

}  // namespace
