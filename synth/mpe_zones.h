// MIDI Polyphonic Expression: the zones and the per-channel values. The
// lower zone has its manager on channel 1 (index 0) and members on channels
// 2..n+1; the upper zone mirrors it, manager on channel 16 (index 15) and
// members on channels 15-n+1..15. A note on a member channel owns that
// channel's pitch bend, pressure and controller 74 ("slide"); the managers'
// messages act on every note as outside MPE. The zones are set by the MPE
// Configuration Message (registered parameter 6 on a manager channel) or by
// the instance's switch, which opens a lower zone of 15 members.
#pragma once

#include <array>
#include <cstdint>

namespace synth {

constexpr int midi_channel_count = 16;
constexpr int mpe_max_members = 15;
constexpr float mpe_default_note_bend_range = 48.f;  // semitones, member channels
constexpr int mpe_slide_controller = 74;

// The expression a member channel carries to the note it plays.
struct mpe_channel {
  float bend = 0.f;                             // -1 .. just below +1
  float bend_range = mpe_default_note_bend_range;  // semitones at full bend
  uint8_t pressure = 0;                         // 0..127
  uint8_t slide = 0;                            // 0..127
};

// Registered-parameter selection of one channel (controllers 101 and 100);
// 127 is the null selection.
struct rpn_select {
  uint8_t msb = 127, lsb = 127;
};

struct mpe_zones {
  bool on = false;
  int lower_members = mpe_max_members;
  int upper_members = 0;
  std::array<mpe_channel, midi_channel_count> channel{};
  std::array<rpn_select, midi_channel_count> rpn{};

  bool is_member(int ch) const {
    return on && ((ch >= 1 && ch <= lower_members) || (ch <= 14 && ch >= 15 - upper_members));
  }
  // The switch: on opens a lower zone of 15 members when no zone is open.
  void set_on(bool enable);
  // A Configuration Message: `members` channels for the zone of `manager`
  // (0 lower, 15 upper); 0 closes the zone. The other zone shrinks to fit;
  // MPE is on while a zone is open. Every channel's values return to rest.
  void configure(int manager, int members);
  // Controllers 101, 100, 6 of channel ch. True when a data entry (6)
  // completed a registered parameter this reader acts on: 0 (bend range of a
  // member channel) or 6 (configuration on a manager channel).
  bool control(int ch, int controller, int value);
  void reset_channels();
};

}  // namespace synth
