#include "plugin/lv2/time_position.h"

#include <lv2/atom/util.h>

namespace plugin::lv2 {

namespace {

// A number atom of any of the four numeric types; false for anything else.
bool number_of(const LV2_Atom* atom, const urids& ids, double& out) {
  if (!atom) return false;
  if (atom->type == ids.atom_float && atom->size >= sizeof(float)) {
    out = double(reinterpret_cast<const LV2_Atom_Float*>(atom)->body);
  } else if (atom->type == ids.atom_double && atom->size >= sizeof(double)) {
    out = reinterpret_cast<const LV2_Atom_Double*>(atom)->body;
  } else if (atom->type == ids.atom_int && atom->size >= sizeof(int32_t)) {
    out = double(reinterpret_cast<const LV2_Atom_Int*>(atom)->body);
  } else if (atom->type == ids.atom_long && atom->size >= sizeof(int64_t)) {
    out = double(reinterpret_cast<const LV2_Atom_Long*>(atom)->body);
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool transport_follower::read(const LV2_Atom_Object* position, const urids& ids) {
  if (position->body.otype != ids.time_position) return false;
  const LV2_Atom* bar = nullptr;
  const LV2_Atom* bar_beat = nullptr;
  const LV2_Atom* beat_unit = nullptr;
  const LV2_Atom* beats_per_bar = nullptr;
  const LV2_Atom* bpm = nullptr;
  const LV2_Atom* speed = nullptr;
  lv2_atom_object_get(position, ids.time_bar, &bar, ids.time_bar_beat, &bar_beat, ids.time_beat_unit, &beat_unit,
                      ids.time_beats_per_bar, &beats_per_bar, ids.time_beats_per_minute, &bpm, ids.time_speed,
                      &speed, 0);
  double value = 0.0;
  if (number_of(bpm, ids, value) && value > 0.0) {
    time_.tempo_bpm = value;
    time_.tempo_valid = true;
  }
  if (number_of(speed, ids, value)) time_.playing = value != 0.0;
  double bars = 0.0;
  double beat = 0.0;
  double per_bar = 4.0;
  double unit = 4.0;
  if (number_of(bar, ids, bars) && number_of(bar_beat, ids, beat)) {
    if (number_of(beats_per_bar, ids, value) && value > 0.0) per_bar = value;
    if (number_of(beat_unit, ids, value) && value > 0.0) unit = value;
    // Beats of `unit` (a quarter is 4) into quarter notes.
    base_quarters_ = (bars * per_bar + beat) * 4.0 / unit;
    frames_since_ = 0;
    time_.position_quarters = base_quarters_;
    time_.position_valid = true;
  }
  known_ = true;
  return true;
}

void transport_follower::advance(int32_t frames, double rate) {
  if (!time_.playing || !time_.position_valid || rate <= 0.0 || frames <= 0) return;
  frames_since_ += frames;
  // Seconds times beats per second from the last Position, not a running
  // sum, so the position does not drift over a long take.
  time_.position_quarters = base_quarters_ + double(frames_since_) / rate * (time_.tempo_bpm / 60.0);
}

}  // namespace plugin::lv2
