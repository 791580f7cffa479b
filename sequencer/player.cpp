#include "sequencer/player.h"

#include <algorithm>
#include <cstring>

#include "sequencer/ahx_voice.h"
#include "synth/param_table.h"

namespace sequencer {

namespace {

constexpr double playlist_clock_s = 0.02;  // a replayer tick: 20 ms, shorter by the speed multiplier
constexpr double min_row_samples = 1.0;    // keeps the row loop moving at absurd rates

int32_t limit_speed(int32_t s) { return std::clamp(s, 1, 15); }
int32_t limit_tempo(int32_t t) { return std::clamp(t, 1, 255); }

}  // namespace

player::player(synth::synth& engine, const song& tune) : engine_(engine), song_(tune) { recompute_timing(); }

void player::reset() {
  stop();
  guard_.init(float(engine_.sample_rate()));
  rewind();
  reset_channels();
  mode_ = stopped;
}

void player::start() {
  if (song_.length() < 1 || song_.channels < 1) return;
  engine_.sequence_use_slots(song_.channels);
  engine_.sequence_release(-1);
  engine_.sequence_clear_shapes();
  for (int32_t j = 0; j < engine_.voice_slots(); ++j) engine_.sequence_load(j, default_program);
  reset_channels();
  rewind();
  guard_.init(float(engine_.sample_rate()));
  rows_played_ = 0;
  mode_ = playing;
}

// The song's header values, the first pass, position 0, row 0.
void player::rewind() {
  speed_ = limit_speed(song_.speed);
  swing_ = std::clamp(song_.swing, 0, 15);
  tempo_ = limit_tempo(song_.tempo);
  fourth_ = song_.fourth;
  loop_count_ = 1;
  position_ = 0;
  row_ = 0;
  samples_left_ = 0.0;
  tick_left_ = 0.0;
  jump_ = false;
  pass_ends_ = false;
  recompute_timing();
}

void player::stop() {
  if (mode_ != stopped) engine_.sequence_release(-1);
  mode_ = stopped;
}

void player::reset_channels() {
  for (int32_t j = 0; j < max_channels; ++j) {
    channel_state& c = channels_[size_t(j)];
    c = channel_state{};
    c.program = default_program;
    // AHX channels 0 and 3 sound left, 1 and 2 right, as far out as the
    // separation says.
    if (song_.format == song_format::ahx) c.pan = ahx_voice::channel_pan(j, separation_);
  }
}

void player::set_stereo_separation(float separation) {
  separation_ = std::clamp(separation, 0.f, 1.f);
  if (song_.format != song_format::ahx) return;
  for (int32_t j = 0; j < song_.channels && j < max_channels; ++j) {
    channels_[size_t(j)].pan = ahx_voice::channel_pan(j, separation_);
    if (mode_ == stopped) continue;
    engine_.sequence_param(j, synth::p::panning, channels_[size_t(j)].pan);
    apply_shape(j);
  }
}

// Base samples per row = rate / (4 * tempo * multiplier / (speed * 10)); with
// swing s the row after an even row lasts (1 + s / 24) of it, after an odd
// row (1 - s / 24).
void player::recompute_timing() {
  const double rate = engine_.sample_rate();
  const double multiplier = std::clamp(song_.multiplier, 1, 4);
  base_row_ = rate / (4.0 * tempo_ * multiplier / (speed_ * 10.0));
  const double swing = swing_ / 24.0;
  row_length_ = std::max(base_row_ * (row_ % 2 == 0 ? 1.0 + swing : 1.0 - swing), min_row_samples);
  inverse_row_ = 1.0 / row_length_;
}

double player::tick_length() const {
  const double multiplier = song_.format == song_format::ahx ? std::clamp(song_.multiplier, 1, 4) : 1;
  return engine_.sample_rate() * playlist_clock_s / multiplier;
}

void player::tick(float* left, float* right, int32_t frames) {
  int32_t done = 0;
  while (samples_left_ <= double(frames - done)) {
    const int32_t n = int32_t(samples_left_);
    render_frames(left + done, right + done, n);
    done += n;
    samples_left_ -= n;
    if (mode_ == playing || mode_ == repeating) {
      jump_ = false;
      step_row();
    } else {
      recompute_timing();
    }
    samples_left_ += row_length_;
  }
  render_frames(left + done, right + done, frames - done);
  samples_left_ -= frames - done;
}

void player::render_frames(float* left, float* right, int32_t frames) {
  const bool guarded = song_.format == song_format::ahx;
  for (int32_t done = 0; done < frames;) {
    const int32_t n = std::min(frames - done, synth::synth::stepped_capacity);
    engine_.begin_stepped(n, song_.channels);  // channel j plays slot j
    for (int32_t i = 0; i < n; ++i) {
      sample_step();
      engine_.render_step(i);
    }
    if (guarded) {
      std::fill_n(piece_left_.begin(), n, 0.f);
      std::fill_n(piece_right_.begin(), n, 0.f);
      engine_.end_stepped(piece_left_.data(), piece_right_.data(), n);
      guard_.process(piece_left_.data(), piece_right_.data(), left + done, right + done, n);
    } else {
      engine_.end_stepped(left + done, right + done, n);
    }
    done += n;
  }
}

void player::step_row() {
  if (pass_ends_) {
    pass_ends_ = false;
    end_of_pass(pass_next_position_, pass_next_row_);
    if (mode_ == stopped) return;
  } else if (row_ >= song_.rows_per_pattern) {
    row_ = 0;
    if (jump_) mode_ = playing;
    if (mode_ == playing && ++position_ >= song_.length()) {
      end_of_pass(song_.restart, 0);
      if (mode_ == stopped) return;
    }
  }
  // The replayer reads a row on a tick: its ticks restart with every row.
  // Edits waiting for the voices (a module's presets just loaded) land
  // first, so they cannot undo the set-up the row gives a voice.
  if (song_.format == song_format::ahx) {
    tick_left_ = 0.0;
    engine_.sequence_settle();
  }
  write_row_text();
  trigger_row();
  recompute_timing();
  if (!scan_jumps()) ++row_;
}

// The end of the song (or of a pass that jumps back): voices released,
// channels reset, one more loop counted; the loop limit may stop playback.
void player::end_of_pass(int32_t next_position, int32_t next_row) {
  engine_.sequence_release(-1);
  reset_channels();
  ++loop_count_;
  if (loop_limit_ >= 0) {
    if (loop_limit_ == 0) mode_ = stopped;
    else --loop_limit_;
  }
  position_ = std::clamp(next_position, 0, std::max(song_.length() - 1, 0));
  row_ = std::clamp(next_row, 0, std::max(song_.rows_per_pattern - 1, 0));
}

bool player::row_text_of(uint64_t n, char* out, size_t cap) const {
  if (!out || cap == 0) return false;
  out[0] = '\0';
  if (n >= rows_played_ || rows_played_ - n > row_history) return false;
  const auto& text = texts_[size_t(n % row_history)];
  const size_t length = std::min(std::strlen(text.data()), cap - 1);
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
  return true;
}

}  // namespace sequencer
