// The soak's own parts: the checker catches each kind of breach it exists
// for (and lets ordinary blocks pass), and the schedule replays from its seed
// and does what the soak promises within its first minute.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "tests/support/scratch.h"
#include "tools/soak/soak_checker.h"
#include "tools/soak/soak_replay.h"
#include "tools/soak/soak_schedule.h"
#include "tools/soak/soak_sound.h"

namespace {

constexpr int32_t frames = 64;

struct block_of_samples {
  std::vector<float> left = std::vector<float>(frames, 0.25f), right = std::vector<float>(frames, -0.25f);
};

void write_file(const std::filesystem::path& p, const std::vector<uint8_t>& bytes) {
  std::ofstream out(p, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A chunk: id, little-endian size (header included), payload.
std::vector<uint8_t> chunk(const char* id, uint32_t payload) {
  std::vector<uint8_t> b(8 + payload, 0x5A);
  const uint32_t size = 8 + payload;
  for (int i = 0; i < 4; ++i) b[size_t(i)] = uint8_t(id[i]);
  for (int i = 0; i < 4; ++i) b[size_t(4 + i)] = uint8_t(size >> (8 * i));
  return b;
}

}  // namespace

TEST(soak_checker, a_sound_block_passes_and_each_kind_of_bad_block_is_a_breach) {
  soak::checker check;
  block_of_samples ok;
  const double half = check.bounds().block_seconds * 0.5;
  check.block(ok.left.data(), ok.right.data(), frames, half * 0.9, half * 5.0, 0.0);  // pre-empted: wall only
  EXPECT_FALSE(check.failed());

  block_of_samples nan = ok;
  nan.right[17] = std::numeric_limits<float>::quiet_NaN();
  check.block(nan.left.data(), nan.right.data(), frames, 0.0, 0.0, 1.0);
  EXPECT_EQ(check.count(soak::breach::not_finite), 1);

  block_of_samples loud = ok;
  loud.left[3] = -(check.bounds().peak_bound + 1.f);
  check.block(loud.left.data(), loud.right.data(), frames, 0.0, 0.0, 2.0);
  EXPECT_EQ(check.count(soak::breach::peak), 1);

  check.block(ok.left.data(), ok.right.data(), frames, half * 1.1, half * 1.1, 3.0);
  EXPECT_EQ(check.count(soak::breach::process_time), 1);
  ASSERT_EQ(check.first_breaches().size(), 3u);
  EXPECT_NE(check.first_breaches()[0].find("frame 17"), std::string::npos) << check.first_breaches()[0];

  const soak::minute m = check.take_minute();
  EXPECT_EQ(m.blocks, 4);
  EXPECT_FLOAT_EQ(m.peak, check.bounds().peak_bound + 1.f);
  EXPECT_NEAR(m.worst_wall_seconds, half * 5.0, 1e-12);
  EXPECT_EQ(check.take_minute().blocks, 0);
}

TEST(soak_checker, stuck_notes_and_memory_moving_from_the_first_settled_sample_are_breaches) {
  soak::checker check;
  check.stuck_voices(0, 12, 30.0);  // released voices still ringing are fine
  EXPECT_FALSE(check.failed());
  check.stuck_voices(2, 12, 60.0);
  EXPECT_EQ(check.count(soak::breach::stuck_note), 1);

  constexpr int64_t mb = 1 << 20;
  check.memory(30 * mb, 50 * mb, 60.0);  // the first sample is the baseline
  EXPECT_EQ(check.heap_baseline(), 30 * mb);
  EXPECT_EQ(check.rss_baseline(), 50 * mb);
  check.memory(32 * mb, 48 * mb, 120.0);  // within 2 MB either way
  EXPECT_EQ(check.count(soak::breach::rss), 0);
  check.memory(32 * mb + 1, 50 * mb, 180.0);  // the heap grew
  EXPECT_EQ(check.count(soak::breach::rss), 1);
  check.memory(30 * mb, 47 * mb, 240.0);  // resident memory fell: the state was not the same
  EXPECT_EQ(check.count(soak::breach::rss), 2);
  check.memory(30 * mb, 53 * mb, 300.0);
  EXPECT_EQ(check.count(soak::breach::rss), 3);
  EXPECT_EQ(check.heap_baseline(), 30 * mb) << "the baseline stays the first sample";
  EXPECT_EQ(check.take_minute().heap_bytes, 30 * mb);
  EXPECT_EQ(check.take_minute().heap_bytes, -1) << "a minute without a sample shows none";
}

TEST(soak_checker, a_saved_file_must_be_one_whole_chunk_with_no_temporary_beside_it) {
  const std::filesystem::path dir = test_support::make_scratch_dir("soak-files");
  ASSERT_FALSE(dir.empty());
  soak::checker check;
  const std::string whole = (dir / "a.vornstate").string();
  write_file(whole, chunk("vorn", 100));
  check.saved(whole, "vorn", "", 1.0);
  EXPECT_FALSE(check.failed());

  std::vector<uint8_t> cut = chunk("vorn", 100);
  cut.resize(60);
  const std::string half = (dir / "b.vornstate").string();
  write_file(half, cut);
  check.saved(half, "vorn", "", 2.0);
  EXPECT_EQ(check.count(soak::breach::file), 1);
  check.saved(whole, "kvxb", "", 3.0);                  // another kind
  check.saved(whole, "vorn", "cannot write", 4.0);      // the save said it failed
  EXPECT_EQ(check.count(soak::breach::file), 3);

  write_file(dir / "b.vornstate", chunk("vorn", 10));
  write_file(dir / "b.vornstate.saving-1-0", cut);      // a save's temporary left behind
  check.saved(half, "vorn", "", 5.0);
  EXPECT_EQ(check.count(soak::breach::file), 4);
  check.loaded(whole, "not a state file", 6.0);
  EXPECT_EQ(check.count(soak::breach::load), 1);
  std::filesystem::remove_all(dir);
}

// The replay's verdict: an over-bound call stands when the replay timed the
// same samples over the bound again (judged on the lesser time), or could
// not play the same samples at all; it falls when the replay was in bound.
TEST(soak_replay, a_call_stands_only_when_its_replay_is_over_too_or_plays_other_samples) {
  block_of_samples ok;
  const uint64_t h = soak::block_hash(ok.left.data(), ok.right.data(), frames);
  block_of_samples other = ok;
  other.right[63] = std::nextafter(other.right[63], 1.f);  // one bit in the last sample
  EXPECT_NE(soak::block_hash(other.left.data(), other.right.data(), frames), h);
  EXPECT_NE(soak::block_hash(ok.right.data(), ok.left.data(), frames), h) << "the channels are not interchangeable";

  const double bound = 0.7e-3;
  const std::vector<soak::timed_block> run = {
      {10, 0.9e-3, h}, {11, 4.0e-3, h}, {12, 0.8e-3, h}, {13, 2.0e-3, h + 1}, {14, 1.0e-3, h}};
  const std::vector<soak::timed_block> replay = {
      {10, 0.8e-3, h},   // over again: stands at 0.8
      {11, 0.3e-3, h},   // a stall in the run: falls
      {12, 0.9e-3, h},   // over again: stands at the run's 0.8
      {13, 0.1e-3, h}};  // other samples: stands at the run's 2.0; 14 never played: stands
  const soak::confirmation c = soak::confirm(run, replay, bound);
  EXPECT_EQ(c.again, 2);
  EXPECT_EQ(c.not_again, 1);
  EXPECT_EQ(c.different, 2);
  EXPECT_EQ(c.counted(), 4);
  EXPECT_EQ(c.worst_block, 13);
  EXPECT_DOUBLE_EQ(c.worst_seconds, 2.0e-3);
  ASSERT_EQ(c.run_times.size(), 4u);
  EXPECT_EQ(c.run_times[1].block, 12);
  EXPECT_DOUBLE_EQ(c.replay_times[1].cpu_seconds, 0.9e-3);
  EXPECT_EQ(c.replay_times[2].hash, 0u) << "block 13's replay played other samples";
  const soak::confirmation exact = soak::confirm({{10, 0.9e-3, h}}, {{10, bound, h}}, bound);
  EXPECT_EQ(exact.counted(), 0) << "a replay at the bound is in bound";

  const std::filesystem::path dir = test_support::make_scratch_dir("soak-replay");
  ASSERT_FALSE(dir.empty());
  const std::string path = (dir / "blocks.txt").string();
  ASSERT_TRUE(soak::write_timed_blocks(path, run));
  std::vector<soak::timed_block> back;
  ASSERT_TRUE(soak::read_timed_blocks(path, back));
  ASSERT_EQ(back.size(), run.size());
  for (size_t i = 0; i < run.size(); ++i) {
    EXPECT_EQ(back[i].block, run[i].block);
    EXPECT_EQ(back[i].hash, run[i].hash);
    EXPECT_NEAR(back[i].cpu_seconds, run[i].cpu_seconds, 1e-9);
  }
  std::filesystem::remove_all(dir);

  soak::checker check;
  check.block(ok.left.data(), ok.right.data(), frames, 1.0, 1.0, 1.0);
  check.block(ok.left.data(), ok.right.data(), frames, 1.0, 1.0, 2.0);
  check.stuck_voices(1, 1, 3.0);
  check.judge_process_time(1);
  EXPECT_EQ(check.count(soak::breach::process_time), 1);
  EXPECT_EQ(check.first_breaches().size(), 1u) << "the first raw reading's line goes";
  check.judge_process_time(0);
  EXPECT_EQ(check.count(soak::breach::process_time), 0);
  ASSERT_EQ(check.first_breaches().size(), 1u) << "only the stuck note's line is left";
  EXPECT_TRUE(check.failed()) << "the stuck note still fails the soak";
}

// However many calls run over, the list kept for the replay never moves:
// a reallocation would show as the instance's heap and RSS growing (it did,
// in steps of 0.1, 0.2 and 0.4 MB, on a machine where 18000 calls ran over).
TEST(soak_replay, the_over_bound_calls_live_in_storage_made_before_the_run) {
  soak::over_bound_calls calls;
  const soak::timed_block* storage = calls.kept.data();
  ASSERT_NE(storage, nullptr);
  const int64_t past = 5;
  const int64_t total = int64_t(soak::over_bound_calls::capacity) + past;
  for (int64_t b = 0; b < total; ++b) calls.add({b, 1e-3, uint64_t(b)});
  EXPECT_EQ(calls.kept.data(), storage);
  ASSERT_EQ(calls.kept.size(), soak::over_bound_calls::capacity);
  EXPECT_EQ(calls.kept.back().block, total - past - 1) << "the first ones are kept, in order";
  EXPECT_EQ(calls.not_kept, past);
}

TEST(soak_schedule, a_seed_replays_and_the_first_minute_does_everything_the_soak_promises) {
  soak::schedule a(1234), b(1234), c(99);
  std::vector<soak::action> x, y, z;
  std::set<soak::act> seen;
  std::set<int32_t> automated, swapped_in, scales;
  bool differs = false;
  int64_t quiet_start = -1, checked_at = -1, settle_at = -1, sampled_at = -1;
  bool reopened = false;
  int32_t widest_chord = 0, slots = 16, layers = 1, most_voices = 0, reported = 16;
  const int64_t minute = soak::schedule::minute_blocks();
  const int64_t settle_start = minute - 1 - int64_t(soak::settle_seconds * soak::blocks_per_second);
  for (int64_t block = 0; block < minute + 100; ++block) {
    if (block % 172 == 0) {  // as the soak reports the pool back
      a.set_pool(slots, layers);
      b.set_pool(slots, layers);
      reported = slots;
    }
    a.next_block(x);
    b.next_block(y);
    c.next_block(z);
    ASSERT_EQ(x.size(), y.size()) << "block " << block;
    for (size_t i = 0; i < x.size(); ++i) {
      ASSERT_EQ(int(x[i].kind), int(y[i].kind));
      ASSERT_EQ(x[i].a, y[i].a);
      ASSERT_EQ(x[i].value, y[i].value);
    }
    differs = differs || x.size() != z.size();
    int32_t ons = 0, last_frame = 0;
    for (const soak::action& act : x) {
      seen.insert(act.kind);
      EXPECT_GE(act.frame, last_frame) << "MIDI out of frame order in block " << block;
      last_frame = act.frame;
      if (act.kind == soak::act::effect_swap && act.b >= 0) swapped_in.insert(act.b);
      if (act.kind == soak::act::editor_resize) scales.insert(act.a);
      if (act.kind == soak::act::automate) {
        automated.insert(act.a);
        // The pool as the instance reads the values: step floor(n * (steps - 1 + 0.999)).
        const int32_t step = int32_t(act.value * (act.a == soak::voices_parameter ? 35.999f : 15.999f));
        if (act.a == soak::voices_parameter) slots = step <= 3 ? 1 : step - 3;
        if (act.a == soak::unison_parameter) layers = step + 1;
      }
      if (act.kind == soak::act::note_on) {
        ++ons;
        // Nothing starts between all notes off and the stuck-note check.
        EXPECT_FALSE(quiet_start >= 0 && checked_at < 0) << "a note started in the quiet at block " << block;
      }
      if (act.kind == soak::act::song_start) {
        EXPECT_FALSE(quiet_start >= 0 && checked_at < 0) << "the song started in the quiet";
      }
      if (act.kind == soak::act::settle) settle_at = block;
      if (act.kind == soak::act::memory_sample) sampled_at = block;
      if (settle_at >= 0 && sampled_at < 0 && block > settle_at) {
        EXPECT_TRUE(act.kind == soak::act::stuck_check || act.kind == soak::act::memory_sample)
            << soak::act_name(act.kind) << " while settling, block " << block;
      }
      if (sampled_at >= 0 && block > sampled_at && act.kind == soak::act::editor_open) reopened = true;
      if (act.kind == soak::act::all_notes_off && quiet_start < 0 && block < settle_start) quiet_start = block;
      if (act.kind == soak::act::stuck_check && checked_at < 0) checked_at = block;
    }
    // A chord (more than a running note) is as wide as the pool reported, give or take.
    if (ons > 1) {
      EXPECT_GE(ons, std::min(reported, 85) - 2) << "block " << block;
    }
    widest_chord = std::max(widest_chord, ons);
    most_voices = std::max(most_voices, slots * layers);
    EXPECT_LE(slots * layers, 32) << "voices past the pool's limit after block " << block;
  }
  EXPECT_TRUE(differs) << "another seed, another schedule";
  for (int k = 0; k < int(soak::act::count); ++k)
    EXPECT_TRUE(seen.count(soak::act(k))) << soak::act_name(soak::act(k)) << " never happened in the first minute";
  EXPECT_EQ(int(automated.size()), soak::all_parameters) << "every parameter automated";
  EXPECT_EQ(int(swapped_in.size()), soak::effect_kinds) << "every effect in a slot";
  EXPECT_EQ(int(scales.size()), soak::editor_scales) << "the editor at every scale";
  ASSERT_GE(quiet_start, 0);
  EXPECT_EQ(checked_at - quiet_start, int64_t(soak::quiet_seconds * soak::blocks_per_second));
  EXPECT_GE(widest_chord, 20) << "wide chords";
  // The memory sample ends the minute, after settle_seconds of the fixed state.
  EXPECT_EQ(sampled_at, minute - 1);
  EXPECT_EQ(settle_at, settle_start);
  EXPECT_TRUE(reopened) << "the editor opens again after the sample";
  EXPECT_EQ(most_voices, 32);
}

// A slow block's log line names every telling setting with the value the
// instance displays for that parameter, the slots, and the voices by stage.
TEST(soak_sound, the_slow_block_line_shows_each_setting_its_slots_and_the_voices_by_stage) {
  soak::voice_stages stages;
  for (int32_t stage : {0, 1, 2, 2, 3, 4, 4, 4}) stages.add(stage);
  EXPECT_EQ(stages.held, 4);
  EXPECT_EQ(stages.released, 1);
  EXPECT_EQ(stages.silent, 3);
  const std::string line = soak::sound_line("Hyper Saw", [](int32_t i) { return std::string("v").append(std::to_string(i)); },
                                            {"Reverb", "-", "Phaser", "-"}, 16, 5, stages);
  EXPECT_EQ(line.rfind("program \"Hyper Saw\" |", 0), 0u) << line;
  std::set<int32_t> indices;
  for (const soak::sound_field& f : soak::sound_fields) {
    EXPECT_NE(line.find(std::string(" ") + f.label + " v" + std::to_string(f.index) + " "), std::string::npos)
        << f.label << " in " << line;
    EXPECT_LT(f.index, soak::all_parameters);
    indices.insert(f.index);
  }
  EXPECT_EQ(indices.size(), soak::sound_fields.size()) << "a parameter shown twice";
  EXPECT_NE(line.find(" ramps 16 | fx Reverb - Phaser - |"), std::string::npos) << line;
  EXPECT_NE(line.find("rendered 5: held 4, released 1, silent 3"), std::string::npos) << line;
}
