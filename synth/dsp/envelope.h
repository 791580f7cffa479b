// Exponential ADSR envelope run at the control tick, in 32-bit fixed point.
//
// Levels: full scale 2^30 (0x40000000). Each stage approaches a goal with a
// one-pole step, level += c * (goal - level), c in Q31; the attack aims past
// full scale (1.33) so that its curve reaches 1.0 in the attack time and ends
// there, decay and release fall to 1 % of their distance in their times.
#pragma once

#include <cstdint>

namespace synth {

// "Trigger" of an envelope: where its gate comes from.
enum class envelope_trigger : int32_t {
  gate = 0,             // "Gate": the key
  mod_a = 1,            // "Mod A": LFO A's pulse while the key is down (or always, if not the amp env)
  mod_b = 2,            // "Mod B"
  force_reset = 3,      // "Force Reset": the key; every note starts from level 0
  delay_a = 4,          // "Delay A": the key, once LFO A's delay has ended
  delay_b = 5,          // "Delay B"
  mod_delay_a = 6,      // "Mod & Delay A": LFO A's pulse once its delay has ended
  mod_delay_b = 7,      // "Mod & Delay B"
};
constexpr int32_t envelope_trigger_count = 8;

// What the gate of one envelope is computed from, every control tick.
struct envelope_gate_inputs {
  bool key = false;                 // the voice's key gate
  bool amp = false;                 // this envelope is the voice's amplitude envelope
  bool pulse[2] = {false, false};   // LFO A, B: phase below the width threshold
  bool delay_ended[2] = {true, true};  // LFO A, B: delay over (or none set)
};

// The gate by "Trigger" (0..7; values outside fall back to "Gate").
bool envelope_gate(int32_t trigger, const envelope_gate_inputs& in);

class envelope {
 public:
  enum stage_id : int32_t { attack = 0, decay = 1, sustain = 2, release = 3, idle = 4 };

  static constexpr int32_t full_scale = 1 << 30;
  static constexpr int32_t threshold = 10737418;        // 0.01 of full scale
  static constexpr int32_t floor_level = 107374;        // 0.0001 of full scale
  static constexpr int32_t attack_goal = 1428076671;    // 1.33 of full scale
  static constexpr int32_t attack_end = 0x3FFFFFFF;
  static constexpr int32_t q31_max = 0x7FFFFFFF;
  static constexpr double attack_base = 0.2481203;     // 1 - 1/1.33: left after T ticks on the way to 1.33
  static constexpr double decay_base = 0.01;           // 1 % of the distance left after T ticks
  static constexpr double attack_max_s = 9.9999, decay_max_s = 39.9999, min_time_s = 0.0001;
  static constexpr float pending_apply_ticks = 100.f;   // skip works in batches at least this long

  envelope() = default;  // init() before use

  // control_rate: ticks per second. Sets every member: idle, level 0,
  // parameters at 0 (release 0.1), no keytrack, "Const Atk" off.
  void init(float control_rate);
  // Idle at level 0, no pending time.
  void reset();

  // Parameter values 0..1 (keytrack -1..1, pitch in semitones from note 60).
  void set_attack(float x);
  void set_decay(float x);
  void set_sustain(float x);
  void set_release(float x);
  void set_const_attack(bool on) { const_attack_ = on; }
  // Time scale 2^(keytrack * pitch / 12), applied at the next tick.
  void set_keytrack(float amount);
  void set_pitch(float semitones);

  // Note start by "Trigger": "Force Reset" starts from 0; "Delay A/B" wait
  // for the gate instead of starting the attack now.
  void note_start(int32_t trigger);
  void gate_on();
  void gate_off();
  // Starts the attack or the release when the gate differs from the stage.
  void follow_gate(bool gate) {
    if (gate != gate_is_on()) change_gate(gate);
  }

  // One step; inline, as it runs every sample of every sounding voice.
  void tick() {
    if (rescale_) rescale();
    if (!running_) return;
    const int32_t l = next_level();
    level_ = l;
    if (ends_stage(l)) end_stage();
  }
  // tick() for a caller that keeps the level in a register: where the tick
  // only moves the level (no time scale to recompute, the stage goes on),
  // the next level into `level` and true; else false and nothing changed,
  // and the caller hands the level back (set_level) and runs tick().
  bool level_tick(int32_t& level) const {
    if (rescale_) return false;
    if (!running_) return true;
    const int32_t l = step_from(level);
    if (ends_stage(l)) return false;
    level = l;
    return true;
  }
  void set_level(int32_t level) { level_ = level; }
  // tick() n times on `first` and, side by side, on `second` (may be null),
  // the level of `first` after each tick into levels[i]. While both stay
  // in their stages their states sit in registers (run_state), and each
  // tick's level hangs on the one before through a product, a shift and a
  // subtraction alone; a stage's end or a pending time scale go through
  // tick() itself. With stop_at_zero the run
  // ends after a tick that leaves the level of `first` at 0, where a
  // caller's stop rule may end the note. moved collects level ^ from_first
  // and level ^ from_second over the ticks (non-zero once a level differed).
  // Returns the ticks run, at least 1 for n >= 1.
  static int run(envelope& first, envelope* second, int32_t* levels, int n, bool stop_at_zero, int32_t from_first,
                 int32_t from_second, int32_t& moved);
  // One envelope's ticks for a caller that keeps its state in locals over
  // a run of ticks (envelope::run, a voice's source stage). It counts the
  // offset o = level - goal: a tick's level + floor(coef (goal - level) /
  // 2^31) is goal + floor(o keep / 2^31) with keep = 2^31 - coef, so a tick
  // is o = (o * keep) >> 31, a product and a shift from tick to tick, and
  // the level goal + o is off that chain. Exact while the stage goes on; a
  // tick that would end it (ends) is left to tick() itself, after store().
  // Within a stage the level moves monotonically towards the goal, and the
  // levels that end it are those from some point on.
  struct run_state {
    int64_t goal = 0, keep = int64_t(1) << 31, offset = 0;
    int32_t lo = 0;     // the levels that end the stage: lo <= level < lo + span
    uint32_t span = 0;  // 0: none

    // False where the envelope needs tick() itself (a time scale to
    // recompute, or levels outside the range the steps are exact in).
    bool load(const envelope& e);
    // An envelope left alone: the level holds, nothing ends.
    void hold(int32_t level) {
      goal = level;
      keep = int64_t(1) << 31;
      offset = 0;
      span = 0;
    }
    int64_t next() const { return (offset * keep) >> 31; }
    int32_t level_at(int64_t o) const { return int32_t(goal + o); }
    bool ends(int32_t level) const { return uint32_t(level) - uint32_t(lo) < span; }
    int32_t level() const { return level_at(offset); }
    void store(envelope& e) const { e.level_ = level(); }
  };

  // Advance a silent voice's envelope by ticks: collected until at least
  // pending_apply_ticks, then applied in closed form.
  void skip(uint32_t ticks);

  int32_t level() const { return level_; }
  // A tick would change nothing: idle, or in the sustain stage where the
  // step rounds to nothing (on the sustain level, or so near it that the
  // floored step is 0: approached from below, a full sustain stops short of
  // its goal), with no time scale to recompute.
  bool settled() const { return !rescale_ && (!running_ || (stage_ == sustain && next_level() == level_)); }
  stage_id stage() const { return stage_; }
  bool running() const { return running_; }
  bool gate_is_on() const { return stage_ < release; }
  float time_scale() const { return time_scale_; }
  int32_t coefficient() const { return coef_; }  // current row, Q31

 private:
  // The level after one step of the current row. Overshoot above 0x3FFFFFFF
  // or below 0 lands on the stage's end.
  int32_t next_level() const { return step_from(level_); }
  bool ends_stage(int32_t l) const {
    const int64_t from_end = int64_t(l) - end_;
    return ((stage_ == attack || stage_ == decay) && from_end < threshold && -from_end < threshold) ||
           (stage_ == release && l < floor_level);
  }
  int32_t step_from(int32_t level) const {
    const int64_t next = level + ((int64_t(coef_) * (int64_t(goal_) - level)) >> 31);
    return (next < 0 || next > attack_end) ? end_ : int32_t(next);
  }

  struct row {
    int32_t goal;
    int32_t coef;  // Q31
    int32_t end;
  };

  static int32_t to_q31(double c);
  double attack_coef() const;  // c_a with the time scale, before "Const Atk"
  double fall_coef(float x) const;
  void recompute_coefs();      // all three from the parameters and the time scale
  void recompute_time_scale();
  void load_row(stage_id s);
  void reload_if_active(stage_id s);
  void enter(stage_id s);
  void apply_pending();
  void change_gate(bool gate);
  void rescale();
  void end_stage();  // attack -> decay -> sustain; release -> idle
  void apply_ticks(double ticks);  // closed-form stage advance

  row table_[4] = {};  // attack, decay, sustain, release
  int32_t level_ = 0;
  int32_t goal_ = 0, coef_ = 0, end_ = 0;  // current row
  stage_id stage_ = idle;
  bool running_ = false;
  bool const_attack_ = false;
  bool rescale_ = false;  // keytrack or pitch changed
  float pending_ = 0.f;   // ticks not yet applied while silent
  float time_scale_ = 1.f;
  float keytrack_ = 0.f, pitch_ = 0.f;
  float attack_x_ = 0.f, decay_x_ = 0.f, release_x_ = 0.1f;
  float rate_ = 48000.f;  // ticks per second
};

}  // namespace synth
