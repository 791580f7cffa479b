// The sequence player: steps through the loaded song row by row, drives the
// instance's voices directly (channel j plays voice slot j), steps the
// engine a frame at a time so that rows and commands fall on exact frames
// (the engine renders each slot in runs between the player's changes), runs
// the cell commands and the AHX instrument playlists, and writes one line of
// text per row for the editor's display.
//
// Threads: everything here runs under the engine lock, on the audio thread
// (tick) or on the editor's thread (load, start, stop, loop limit).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "sequencer/channel_state.h"
#include "sequencer/peak_guard.h"
#include "sequencer/song.h"
#include "synth/engine.h"

namespace sequencer {

class player {
 public:
  enum mode_id : int32_t { stopped = 0, playing = 1, repeating = 2 };
  static constexpr size_t row_text_capacity = 512;
  static constexpr int row_history = 32;
  static constexpr int default_program = 64;  // every voice plays this slot when a song starts
  static constexpr uint8_t colour_code = 12;  // row text: byte 12, then red, green, blue (each odd)

  player(synth::synth& engine, const song& tune);

  // After every load: stopped, the song's header values, position 0, row 0.
  void reset();
  void start();
  void stop();
  void start_stop() { mode_ == playing ? stop() : start(); }
  // -1 plays forever; n >= 0 plays n further passes after the current one.
  void set_loop_limit(int32_t limit) { loop_limit_ = limit; }
  // AHX songs: 0 (mono) .. 1 (the replayer's hard panning, the default);
  // takes effect on every channel at once.
  void set_stereo_separation(float separation);
  float stereo_separation() const { return separation_; }
  int32_t loop_limit() const { return loop_limit_; }
  int32_t loop_count() const { return loop_count_; }
  int32_t mode() const { return mode_; }
  int32_t position() const { return position_; }
  int32_t row() const { return row_; }
  int32_t speed() const { return speed_; }
  int32_t tempo() const { return tempo_; }
  int32_t swing() const { return swing_; }
  int32_t fourth() const { return fourth_; }
  double samples_per_row() const { return base_row_; }
  double row_length() const { return row_length_; }
  double samples_left() const { return samples_left_; }

  // Renders `frames` into left/right (added), row by row.
  void tick(float* left, float* right, int32_t frames);

  // The text of the last row played (colour bytes included).
  const char* row_text() const { return texts_[size_t((rows_played_ + row_history - 1) % row_history)].data(); }
  // Rows played since the start of playback; the text of row n (0-based)
  // stays readable until row_history more rows have played.
  uint64_t rows_played() const { return rows_played_; }
  bool row_text_of(uint64_t n, char* out, size_t cap) const;
  const channel_state& channel(int32_t j) const { return channels_[size_t(j)]; }

 private:
  // Timing and the row step (player.cpp).
  void rewind();
  void recompute_timing();
  void step_row();
  void end_of_pass(int32_t next_position, int32_t next_row);
  void reset_channels();
  void render_frames(float* left, float* right, int32_t frames);
  double tick_length() const;

  // The row (row_trigger.cpp).
  void trigger_row();
  void trigger_channel(int32_t j);
  void row_action(int32_t j, const cell& c);
  void restore(int32_t j, int32_t index);
  void note_action(int32_t j, const cell& c);
  void start_note(int32_t j, bool retrigger);
  bool scan_jumps();
  void set_hard_cuts();

  // Between rows (sample_step.cpp).
  void sample_step();
  void continuous(int32_t j);
  void apply_shape(int32_t j);

  // AHX instruments, once per replayer tick (ahx_channel.cpp).
  void ahx_trigger(int32_t j);
  void ahx_tick(int32_t j);
  void playlist_step(int32_t j);
  void playlist_effect(int32_t j, int32_t effect, int32_t parameter);
  void envelope_tick(int32_t j);
  void start_release(int32_t j, int32_t ticks);
  void square_tick(int32_t j);
  void filter_tick(int32_t j);
  void apply_square(int32_t j);
  void apply_filter(int32_t j);
  void ramp_envelope(int32_t j);

  // AHX track commands per tick, the pitch and the level (ahx_commands.cpp).
  static bool is_ahx_portamento(const cell& c);
  bool ahx_row_action(int32_t j, const cell& c);
  void ahx_effects_tick(int32_t j);
  void portamento_target(int32_t j, const cell& c);
  void set_note_volume(int32_t j, int32_t volume);
  double ahx_pitch(int32_t j) const;
  float ahx_channel_gain(int32_t j) const;

  // The row text (row_text.cpp).
  void write_row_text();

  synth::synth& engine_;
  const song& song_;
  int32_t mode_ = stopped;
  int32_t position_ = 0, row_ = 0;
  int32_t speed_ = 6, swing_ = 0, tempo_ = 125, fourth_ = 255;
  int32_t loop_count_ = 0, loop_limit_ = -1;
  float separation_ = 1.f;          // AHX stereo separation
  bool jump_ = false;
  bool song_end_ = false;           // an AHX F00 in this row
  // A break or jump that ends the pass does so when its row has played.
  bool pass_ends_ = false;
  int32_t pass_next_position_ = 0, pass_next_row_ = 0;
  double base_row_ = 0.0, row_length_ = 0.0, inverse_row_ = 0.0;
  double samples_left_ = 0.0;
  double tick_left_ = 0.0;          // until the next replayer tick (the 20 ms playlist clock)
  std::array<channel_state, max_channels> channels_{};
  // AHX songs render into these, then through the guard into the output.
  std::array<float, synth::synth::stepped_capacity> piece_left_{}, piece_right_{};
  peak_guard guard_;
  std::array<std::array<char, row_text_capacity>, row_history> texts_{};
  uint64_t rows_played_ = 0;
};

}  // namespace sequencer
