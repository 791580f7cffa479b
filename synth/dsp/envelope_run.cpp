// envelope::run: blocks of ticks of one or two envelopes with their states
// in locals.
//
// A falling or holding stage (decay, sustain, release) never leaves
// [0, attack_end] and needs no clamp: with level l and goal g in that range
// and c in [0, 2^31), the step floor(c (g - l) / 2^31) lies between 0 and
// g - l (a floor of a value strictly between 0 and g - l, or g - l's own
// side of it), so the next level lies between l and g. Counting the
// distance d = g - l instead of the level, a tick is d -= floor(c d / 2^31):
// the level g - d is off the chain from tick to tick. An idle envelope is the
// same with c = 0 (tick() leaves it alone).
#include "synth/dsp/envelope.h"

namespace synth {

// One envelope's state for the run: the distance to the goal, and the
// levels that end its stage, lo <= level < lo + span (span 0: none).
struct envelope::falling {
  int64_t goal = 0, coef = 0, distance = 0;
  int32_t lo = 0;
  uint32_t span = 0;

  // False where the envelope needs tick() itself (attack, a time scale to
  // recompute, or levels outside the range the clamp-free step relies on).
  bool load(const envelope& e) {
    if (e.rescale_) return false;
    if (!e.running_) {
      goal = e.level_;
      coef = 0;
      distance = 0;
      span = 0;
      return true;
    }
    if (e.stage_ == attack || e.goal_ < 0 || e.goal_ > attack_end || e.level_ < 0 || e.level_ > attack_end ||
        e.coef_ < 0)
      return false;
    goal = e.goal_;
    coef = e.coef_;
    distance = goal - e.level_;
    if (e.stage_ == decay) {  // ends within threshold of its end
      lo = e.end_ - threshold + 1;
      span = 2 * uint32_t(threshold) - 1;
    } else if (e.stage_ == release) {  // ends below floor_level
      lo = 0;
      span = uint32_t(floor_level);
    } else {
      span = 0;
    }
    return true;
  }
  int64_t next() const { return distance - ((coef * distance) >> 31); }
  bool ends(int32_t level) const { return uint32_t(level) - uint32_t(lo) < span; }
  int32_t level() const { return int32_t(goal - distance); }
};

int envelope::run(envelope& first, envelope* second, int32_t* levels, int n, bool stop_at_zero, int32_t from_first,
                  int32_t from_second, int32_t& moved) {
  int i = 0;
  int32_t m = 0;
  while (i < n) {
    falling a, b;
    b.goal = from_second;  // without a second envelope b holds from_second: it moves nothing
    if (a.load(first) && (!second || b.load(*second))) {
      // Both in registers until n, a stage's end (left to tick()) or a level
      // of 0 under stop_at_zero.
      bool stopped = false;
      for (; i < n; ++i) {
        const int64_t da = a.next(), db = b.next();
        const int32_t la = int32_t(a.goal - da), lb = int32_t(b.goal - db);
        if (a.ends(la) || b.ends(lb)) break;
        a.distance = da;
        b.distance = db;
        levels[i] = la;
        m |= (la ^ from_first) | (lb ^ from_second);
        if (stop_at_zero && la == 0) {
          stopped = true;
          ++i;
          break;
        }
      }
      first.level_ = a.level();
      if (second) second->level_ = b.level();
      if (stopped || i == n) break;
    }
    // The tick of an attack, a stage's end or a time scale.
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
