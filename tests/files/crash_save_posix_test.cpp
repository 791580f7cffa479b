// Saves killed part-way: a child process saves over and over until it is
// killed (SIGKILL) after a random delay, and every time the target must hold
// the old file or one of the new ones, whole and loadable, never a damaged
// or empty one. A killed save may leave its temporary behind, but the next
// save beside the same target removes it, so none pile up.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "files/instance_state.h"
#include "files/preset_files.h"
#include "platform/app_data_dir.h"
#include "riff/staged_file.h"
#include "tests/files/files_support.h"

namespace {

using files_test::bytes;
namespace fs = std::filesystem;

// One kind of save: `save(k)` writes version k (0 is the old file, 1 and 2
// the versions the child alternates), `loads` reads the target back.
struct save_kind {
  const char* label;
  std::string target;
  std::function<bool(int)> save;
  std::function<bool()> loads;
};

std::vector<std::string> temporaries_beside(const std::string& target) {
  std::vector<std::string> found;
  const std::string prefix = fs::path(target).filename().string() + ".saving-";
  for (const auto& e : fs::directory_iterator(fs::path(target).parent_path()))
    if (e.path().filename().string().rfind(prefix, 0) == 0) found.push_back(e.path().string());
  return found;
}

// The child's endless saves; it never returns.
[[noreturn]] void save_until_killed(const save_kind& kind) {
  for (int k = 1;; k = 3 - k) kind.save(k);
}

struct loop_figures {
  int kept_old = 0;
  int took_new = 0;
  int left_temporaries = 0;  // kills that left a temporary for the next save
};

// Runs `rounds` killed saves of one kind and checks each outcome.
loop_figures kill_saves(const save_kind& kind, int rounds, std::mt19937& rng) {
  loop_figures fig;
  std::vector<bytes> versions;
  for (int k = 0; k < 3; ++k) {
    EXPECT_TRUE(kind.save(k)) << kind.label;
    versions.push_back(files_test::read_bytes(kind.target));
  }
  // Killed anywhere within about three saves, so every step of one is hit.
  const auto start = std::chrono::steady_clock::now();
  kind.save(0);
  const auto one_save =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
  std::uniform_int_distribution<long> delay(0, 3 * std::max<long>(one_save, 50));
  for (int round = 0; round < rounds; ++round) {
    const pid_t child = fork();
    if (child == 0) save_until_killed(kind);
    EXPECT_GT(child, 0);
    usleep(useconds_t(delay(rng)));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    const bytes now = files_test::read_bytes(kind.target);
    const bool known = now == versions[0] || now == versions[1] || now == versions[2];
    EXPECT_TRUE(known && !now.empty()) << kind.label << ", round " << round << ": " << now.size() << " bytes";
    EXPECT_TRUE(kind.loads()) << kind.label << ", round " << round;
    if (now == versions[0]) ++fig.kept_old;
    else ++fig.took_new;
    if (!temporaries_beside(kind.target).empty()) ++fig.left_temporaries;
    // The next save clears what the killed one left.
    EXPECT_TRUE(kind.save(0)) << kind.label;
    const std::vector<std::string> left = temporaries_beside(kind.target);
    EXPECT_TRUE(left.empty()) << kind.label << ", round " << round << ": " << left.size() << " temporaries, "
                              << (left.empty() ? "" : left.front());
    if (::testing::Test::HasFailure()) break;
  }
  return fig;
}

synth::bank bank_version(int k) {
  synth::bank b;
  b.name = "Bank " + std::to_string(k);
  for (synth::preset& p : b.slots) synth::build_factory_init(p);
  b.slots[0].name = "Version " + std::to_string(k);
  return b;
}

TEST(crash_save, a_killed_save_leaves_the_old_file_or_the_new_one_and_no_temporaries) {
  auto engine = std::make_unique<synth::synth>();
  auto reader = std::make_unique<synth::synth>();
  const synth::bank banks[3] = {bank_version(0), bank_version(1), bank_version(2)};
  auto set_engine = [&](int k) { engine->program(0).name = "State " + std::to_string(k); };
  const std::string preset_path = files_test::scratch("killed.vornpreset");
  const std::string bank_path = files_test::scratch("killed.vornbank");
  const std::string state_path = files_test::scratch("killed.vornstate");
  const std::string raw_path = files_test::scratch("killed.raw");
  const std::string init_state = platform::app_data_file("init", ".vornstate");
  const std::string init_bank = platform::app_data_file("init", ".vornbank");
  ASSERT_FALSE(init_state.empty());

  // A large raw file written in pieces by the staged file itself.
  auto save_raw = [&](int k) {
    riff::staged_file staged(raw_path);
    std::FILE* f = staged.open();
    if (!f) return false;
    const std::vector<uint8_t> block(4096, uint8_t('A' + k));
    for (int i = 0; i < 64; ++i) std::fwrite(block.data(), 1, block.size(), f);
    return staged.commit(f);
  };
  auto raw_whole = [&] {
    const bytes b = files_test::read_bytes(raw_path);
    return b.size() == 64 * 4096 && std::count(b.begin(), b.end(), b.front()) == long(b.size());
  };
  const save_kind kinds[] = {
      {"preset file", preset_path,
       [&](int k) { return files::save_preset_file(preset_path, banks[k].slots[0]) == "saved preset"; },
       [&] {
         synth::preset p;
         return files::load_preset_file(preset_path, p) == "loaded preset ?" && p.name.rfind("Version ", 0) == 0;
       }},
      {"bank file", bank_path, [&](int k) { return files::save_bank_file(bank_path, banks[k]).empty(); },
       [&] {
         synth::bank b;
         return files::load_bank_file(bank_path, b).empty() && b.name.rfind("Bank ", 0) == 0;
       }},
      {"state file", state_path,
       [&](int k) {
         set_engine(k);
         return files::save_state_file(state_path, *engine).empty();
       },
       [&] { return files::load_state_file(state_path, *reader).empty(); }},
      {"staged file", raw_path, save_raw, raw_whole},
      {"init.vornstate", init_state,
       [&](int k) {
         set_engine(k);
         return files::save_init_state(*engine).empty();
       },
       [&] { return files::load_init_state(*reader); }},
      {"init.vornbank", init_bank, [&](int k) { return files::save_init_bank(banks[k]).empty(); },
       [&] {
         synth::bank b;
         return files::load_init_bank(b) && b.name.rfind("Bank ", 0) == 0;
       }},
  };
  // 200 kills in all, spread over the kinds.
  constexpr int total_rounds = 200;
  std::mt19937 rng(20261207);
  loop_figures all;
  for (size_t i = 0; i < std::size(kinds); ++i) {
    const int rounds = total_rounds / int(std::size(kinds)) + (i < total_rounds % std::size(kinds) ? 1 : 0);
    const loop_figures f = kill_saves(kinds[i], rounds, rng);
    all.kept_old += f.kept_old;
    all.took_new += f.took_new;
    all.left_temporaries += f.left_temporaries;
    if (HasFailure()) return;
  }
  std::printf("%d killed saves: %d kept the old file, %d the new one; %d left a temporary for the next save\n",
              all.kept_old + all.took_new, all.kept_old, all.took_new, all.left_temporaries);
  EXPECT_EQ(all.kept_old + all.took_new, total_rounds);
  // Kills landed both before and after the rename, and inside a save.
  EXPECT_GT(all.kept_old, 0);
  EXPECT_GT(all.took_new, 0);
  EXPECT_GT(all.left_temporaries, 0);
}

}  // namespace
