// Telling the instance's slow blocks from the machine's.
//
// The soak's machine is a virtual one: its CPU can be taken away for
// milliseconds at a time, and the guest counts the lost time to whatever
// thread was running. A fixed loop of 0.39 ms, timed by its thread's CPU
// clock at the soak's pace for five minutes, read 0.73 ms or more 22 times
// and 4.6 ms at worst; played back to back, 10.5 ms. Such a stall lands in
// whichever call happens to be running, so a single over-bound reading does
// not say the call was slow.
//
// Every call of the schedule is in the seed's order on one thread, so the
// same seed plays the same blocks again. After a run with over-bound calls,
// vorn-soak starts itself again on the seed (a fresh process, folders and
// display): back to back up to a little before each such block, then at the
// run's pace through it, and times that block again. A call is over the
// bound when it is over in both plays (judged on the lesser of the two
// times), and the output samples of both plays must be the same bits: a
// replay that plays anything else proves nothing, and its blocks count as
// over the bound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace soak {

// One timed call: its block number, CPU time and a hash of its samples.
struct timed_block {
  int64_t block = 0;
  double cpu_seconds = 0.0;
  uint64_t hash = 0;
};

// FNV-1a over the bits of both channels' samples.
uint64_t block_hash(const float* left, const float* right, int32_t frames);

// The run's over-bound calls, kept for the replay in storage made whole
// before the run (every page written), so that the soak's own bookkeeping
// never moves the heap and the RSS it checks for the instance, however many
// calls run over. Past its capacity a call is not kept: it counts as over
// without a replay.
struct over_bound_calls {
  static constexpr size_t capacity = 65536;  // 1.5 MB of timed blocks
  std::vector<timed_block> kept;
  int64_t not_kept = 0;

  over_bound_calls();
  void add(const timed_block& b);
};

// One "block cpu_seconds hash" line each.
bool write_timed_blocks(const std::string& path, const std::vector<timed_block>& blocks);
bool read_timed_blocks(const std::string& path, std::vector<timed_block>& blocks);

// The run's over-bound calls against their replay.
struct confirmation {
  int64_t again = 0;      // over the bound in the replay too: the instance's
  int64_t not_again = 0;  // in bound in the replay: the machine's
  int64_t different = 0;  // the replay played other samples, or not the block
  double worst_seconds = 0.0;  // the worst lesser time of the two, over those that count
  int64_t worst_block = -1;
  // The first of those that count (at most kept_blocks): the run's time,
  // and the replay's (0 when it played other samples).
  static constexpr size_t kept_blocks = 24;
  std::vector<timed_block> run_times, replay_times;
  int64_t counted() const { return again + different; }
};
confirmation confirm(const std::vector<timed_block>& run, const std::vector<timed_block>& replay,
                     double bound_seconds);

// Blocks played at the run's pace before each block timed again: enough
// for the thread to sleep between calls as it did in the run (about 93 ms).
constexpr int64_t replay_lead_blocks = 64;

// Plays the seed again in a child process of this program (`self` is its
// path, the rest as the run had them) and reads back `run`'s blocks timed
// anew. False with the reason in `error`.
struct replay_request {
  std::string self;
  std::string plugin_path;
  uint64_t seed = 0;
  double minutes = 0.0;
  bool paced = true;
};
bool replay_blocks(const replay_request& request, const std::vector<timed_block>& run,
                   std::vector<timed_block>& replay, std::string& error);

// In the child: the blocks to time again, from SOAK_REPLAY_IN, and where
// to write them, SOAK_REPLAY_OUT; false when this is no replay.
bool replay_wanted(std::vector<timed_block>& blocks, std::string& out_path);

}  // namespace soak
