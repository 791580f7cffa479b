// Note expression: the type numbers a host puts in a NoteExpressionValueEvent
// and what Vorn makes of them. The event's layout is pinned in vst3_abi.h; the
// type numbers below are the interface's published ones (volume 0 … phoneme
// 7, custom types from 100000), which the layout checks cannot pin.
//
// What each type becomes, chosen to match what the engine already hears
// from MPE controllers and nothing more:
// - tuning: the note's pitch. Normalised 0.5 is no change, each 1/240 is a
//   semitone (0 and 1 are ten octaves down and up). It adds to the tuning the
//   note-on carried, so a host that starts a note at +30 cents and then
//   sends a tuning expression bends from the pitch it started at.
// - brightness: "Note Slide", normalised as sent, as controller 74 is for
//   MPE keyboards.
// - volume, pan, vibrato, expression, text, phoneme and custom types are
//   ignored: the engine has no per-note input for them, and guessing one
//   (expression as pressure, say) would sound wrong the day a host means
//   something else by it. Polyphonic pressure arrives as its own event.
//
// INoteExpressionController (which lets a host list these types) is not
// offered: its ID and the layout of its type record are not among the
// layouts checked for vst3_abi.h, and a wrong guess there is a crash in the
// host. Hosts that send tuning in the note-on, or note expression
// regardless, are heard.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vst3_shell {

namespace note_expression_type {
enum : uint32_t {
  volume = 0,
  pan = 1,
  tuning = 2,
  vibrato = 3,
  expression = 4,
  brightness = 5,
};
}

constexpr double tuning_semitones_per_unit = 240.0;  // normalised 0..1 spans -120..+120 semitones
constexpr float max_tuning_semitones = 120.f;
constexpr float cents_per_semitone = 100.f;

// A tuning expression's value (finite; held to 0..1) in semitones.
inline float tuning_semitones(double normalised) {
  return float((std::clamp(normalised, 0.0, 1.0) - 0.5) * tuning_semitones_per_unit);
}

// A note-on's tuning (cents) in semitones, held to the range a tuning
// expression can reach; a value that is no number is no tuning.
inline float note_on_semitones(float cents) {
  if (!std::isfinite(cents)) return 0.f;
  return std::clamp(cents / cents_per_semitone, -max_tuning_semitones, max_tuning_semitones);
}

}  // namespace vst3_shell
