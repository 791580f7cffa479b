// envelope::run: blocks of ticks of one or two envelopes with their states
// in locals (envelope::run_state).
//
// A falling or holding stage (decay, sustain, release) never leaves
// [0, attack_end] and needs no clamp: with level l and goal g in that range
// and c in [0, 2^31), the step floor(c (g - l) / 2^31) lies between 0 and
// g - l (a floor of a value strictly between 0 and g - l, or g - l's own
// side of it), so the next level lies between l and g. An attack rises from
// l towards its goal above attack_end: the next level lies between l and
// the goal as well, and where it would pass attack_end the clamp puts it on
// the stage's end, which ends the stage; so would any level within
// threshold below it. Every level from that bound up ends the attack, and
// the steps below it need no clamp either. With the offset o = l - g the
// step is l + floor(-c o / 2^31) = g + floor(o (2^31 - c) / 2^31), as o is
// a whole number: one product and one shift from tick to tick. An idle
// envelope is the same with c = 0 (tick() leaves it alone).
#include "synth/dsp/envelope.h"

namespace synth {

bool envelope::run_state::load(const envelope& e) {
  if (e.rescale_) return false;
  if (!e.running_) {
    hold(e.level_);
    return true;
  }
  if (e.coef_ < 0 || e.level_ < 0 || e.level_ > attack_end) return false;
  if (e.stage_ == attack) {
    if (e.end_ != attack_end || e.goal_ < e.level_) return false;
    lo = e.end_ - threshold + 1;  // from here up (the goal lies below 2^31)
    span = 0x80000000u - uint32_t(lo);
  } else {
    if (e.goal_ < 0 || e.goal_ > attack_end) return false;
    if (e.stage_ == decay) {  // ends within threshold of its end, its goal
      if (e.end_ != e.goal_) return false;
      lo = e.end_ - threshold + 1;
      span = 2 * uint32_t(threshold) - 1;
    } else if (e.stage_ == release) {  // ends below floor_level
      lo = 0;
      span = uint32_t(floor_level);
    } else {
      span = 0;
    }
  }
  goal = e.goal_;
  keep = (int64_t(1) << 31) - e.coef_;
  offset = e.level_ - goal;
  return true;
}

int envelope::run(envelope& first, envelope* second, int32_t* levels, int n, bool stop_at_zero, int32_t from_first,
                  int32_t from_second, int32_t& moved) {
  int i = 0;
  int32_t m = 0;
  while (i < n) {
    run_state a, b;
    b.hold(from_second);  // without a second envelope b holds from_second: it moves nothing
    if (a.load(first) && (!second || b.load(*second))) {
      // Both in registers until n, a stage's end (left to tick()) or a level
      // of 0 under stop_at_zero.
      bool stopped = false;
      for (; i < n; ++i) {
        const int64_t oa = a.next(), ob = b.next();
        const int32_t la = a.level_at(oa), lb = b.level_at(ob);
        if (a.ends(la) || b.ends(lb)) break;
        a.offset = oa;
        b.offset = ob;
        levels[i] = la;
        m |= (la ^ from_first) | (lb ^ from_second);
        if (stop_at_zero && la == 0) {
          stopped = true;
          ++i;
          break;
        }
      }
      a.store(first);
      if (second) b.store(*second);
      if (stopped || i == n) break;
    }
    // The tick of a stage's end, a time scale or levels out of range.
    first.tick();
    if (second) second->tick();
    levels[i++] = first.level_;
    m |= (first.level_ ^ from_first) | (second ? second->level_ ^ from_second : 0);
    if (stop_at_zero && first.level_ == 0) break;
  }
  moved |= m;
  return i;
}

}  // namespace synth
