// The soak's host: vorn.so loaded through its entry into one host thread,
// in private data folders, with its editor in a window of our own on a
// private Xvfb display. It carries out the schedule's actions the way hosts
// and users do (MIDI before the block, dispatcher calls between blocks, the
// tools' vendor requests for what only the editor's menus do) and hands
// every block and every observation to the checker.
//
// One thread does it all, as the schedule is written: every call is then
// in the seed's order and a breach replays exactly. Races between threads
// are the thread-sanitizer suite's business (tests/tsan).
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tools/soak/soak_checker.h"
#include "tools/soak/soak_schedule.h"
#include "tools/soak/soak_sound.h"
#include "tools/vsthost/plugin_instance.h"
#include "tools/vsthost/plugin_library.h"
#include "tools/xvfb/xvfb_server.h"

namespace soak {

// Counts of what was done, for the minute lines.
struct done_counts {
  std::array<int64_t, size_t(act::count)> by_kind{};
};

class host {
 public:
  host() = default;
  ~host();
  host(const host&) = delete;
  host& operator=(const host&) = delete;

  // Private folders, Xvfb, the parent window, vorn.so, the song file.
  // False with the reason in `error`.
  bool start(const std::string& plugin_path, const std::string& song_text_path, std::string& error);

  // One action of the schedule; `seconds` is the audio time, for reports.
  void apply(const action& a, checker& check, double seconds);
  // Processes one block (the queued MIDI first) and hands it to the checker;
  // returns the call's CPU time in seconds.
  double process(checker& check, double seconds);
  // The instance's voice slots (command 67) and unison layers now.
  int32_t polyphony();
  int32_t unison_layers();
  // Resident memory of this process, and the heap in use, in bytes.
  static int64_t resident_bytes();
  static int64_t heap_bytes();
  const done_counts& done() const { return done_; }
  // Page faults and involuntary context switches of the last process call
  // (the thread's own): a fault is kernel time the CPU clock counts.
  int64_t last_faults() const { return last_faults_; }
  int64_t last_switches() const { return last_switches_; }
  // CLOCK_MONOTONIC at the start of the last process call, in seconds (to
  // find a slow block's samples in a profile recorded on that clock).
  double last_start() const { return last_start_; }
  // The bits of the last block's samples (tools/soak/soak_replay.h).
  uint64_t last_hash() const { return last_hash_; }
  // What is sounding, for the log of a slow block (tools/soak/soak_sound.h):
  // the program, its telling settings, the slots' effects, the voices by stage.
  std::string sound_now();
  // Saves the instance's state to `path` (a slow block's sound, for a
  // benchmark to load); the command's outcome, empty on success.
  std::string save_state_to(const std::string& path);
  // Forgets what the plug-in told the host's callback (automation records):
  // a host keeps no unbounded log, nor may the soak's own memory grow.
  void forget_requests() { instance_.clear_requests(); }

 private:
  struct command_result {
    int32_t returned = 0;
    std::string result;
  };
  command_result command(int32_t number, int32_t index = 0, const char* text = nullptr);
  std::string file_path(const char* kind, int32_t number) const;
  void file_action(const action& a, checker& check, double seconds);
  void start_files(const action& a, checker& check, double seconds);
  void chunk_round(const action& a, checker& check, double seconds);
  void song(bool start);
  void stuck_check(checker& check, double seconds);
  void empty_slots();
  void settle(checker& check, double seconds);
  void memory_sample(checker& check, double seconds);
  void editor_open();
  void editor_close();
  void editor_resize(int32_t scale_index);
  void follow_editor_size();

  std::filesystem::path root_;
  std::filesystem::path files_;
  std::string song_path_;
  std::string fixed_state_path_;
  bool song_loaded_ = false;
  std::unique_ptr<xvfb::server> display_;
  Display* x_ = nullptr;
  Window parent_ = 0;
  int32_t parent_width_ = 0, parent_height_ = 0;
  bool editor_open_ = false;
  vsthost::plugin_library library_;
  vsthost::plugin_instance instance_;
  std::vector<float> left_ = std::vector<float>(size_t(block_frames));
  std::vector<float> right_ = std::vector<float>(size_t(block_frames));
  std::array<std::array<bool, schedule::save_files>, 3> saved_{};  // state, bank, preset
  bool start_files_saved_ = false;
  std::vector<uint8_t> chunk_copy_;
  // The effects as this host put them in the slots (a loaded state may
  // bring others: the log says what the soak last swapped in).
  std::array<const char*, effect_slots> slot_effects_{"-", "-", "-", "-"};  // static names
  done_counts done_;
  int64_t last_faults_ = 0, last_switches_ = 0;
  double last_start_ = 0.0;
  uint64_t last_hash_ = 0;
};

}  // namespace soak
