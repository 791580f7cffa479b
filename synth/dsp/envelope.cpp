#include "synth/dsp/envelope.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "synth/dsp/exp2.h"

namespace synth {

bool envelope_gate(int32_t trigger, const envelope_gate_inputs& in) {
  switch (envelope_trigger(trigger)) {
    case envelope_trigger::mod_a:
    case envelope_trigger::mod_b: {
      int i = trigger - int32_t(envelope_trigger::mod_a);
      // The amplitude envelope stops following the LFO once the key is up,
      // so that the note can end; any other envelope keeps cycling.
      return (in.key || !in.amp) ? in.pulse[i] : in.key;
    }
    case envelope_trigger::delay_a:
    case envelope_trigger::delay_b: {
      int i = trigger - int32_t(envelope_trigger::delay_a);
      return in.key && in.delay_ended[i];
    }
    case envelope_trigger::mod_delay_a:
    case envelope_trigger::mod_delay_b: {
      int i = trigger - int32_t(envelope_trigger::mod_delay_a);
      return (in.key || !in.amp) ? (in.pulse[i] && in.delay_ended[i]) : in.key;
    }
    default:
      return in.key;
  }
}

void envelope::init(float control_rate) {
  rate_ = control_rate > 0.f ? control_rate : 48000.f;
  keytrack_ = 0.f;
  pitch_ = 0.f;
  time_scale_ = 1.f;
  rescale_ = false;
  const_attack_ = false;
  attack_x_ = 0.f;
  decay_x_ = 0.f;
  release_x_ = 0.1f;
  table_[attack] = {attack_goal, 0, attack_end};
  table_[decay] = {0, 0, 0};
  table_[sustain] = {0, 0, 0};
  table_[release] = {0, 0, 0};
  recompute_coefs();
  reset();
}

void envelope::reset() {
  stage_ = idle;
  level_ = 0;
  goal_ = coef_ = end_ = 0;
  running_ = false;
  pending_ = 0.f;
}

int32_t envelope::to_q31(double c) {
  double q = c * 2147483648.0;
  q = std::clamp(q, -double(q31_max), double(q31_max));
  return int32_t(q);
}

// T = (x^4 * 9.9999 + 0.0001) s; (1 - c)^T = 0.2481203 so that the curve
// towards 1.33 passes 1.0 after T.
double envelope::attack_coef() const {
  double x = attack_x_;
  double t_ticks = (x * x * x * x * attack_max_s + min_time_s) * rate_;
  return (1.0 - std::pow(attack_base, 1.0 / t_ticks)) * time_scale_;
}

// T = (x^4 * 39.9999 + 0.0001) s; (1 - c)^T = 0.01: 1 % of the distance left.
double envelope::fall_coef(float x_in) const {
  double x = x_in;
  double t_ticks = (x * x * x * x * decay_max_s + min_time_s) * rate_;
  return (1.0 - std::pow(decay_base, 1.0 / t_ticks)) * time_scale_;
}

void envelope::recompute_coefs() {
  table_[attack].coef = to_q31(attack_coef());
  int32_t cd = to_q31(fall_coef(decay_x_));
  table_[decay].coef = cd;
  table_[sustain].coef = cd;
  table_[release].coef = to_q31(fall_coef(release_x_));
  if (stage_ < idle) coef_ = table_[stage_].coef;
}

void envelope::recompute_time_scale() {
  time_scale_ = exp2_fast(keytrack_ * pitch_ * (1.f / 12.f));
  rescale_ = false;
}

void envelope::load_row(stage_id s) {
  goal_ = table_[s].goal;
  coef_ = table_[s].coef;
  end_ = table_[s].end;
}

void envelope::reload_if_active(stage_id s) {
  if (stage_ != s) return;
  load_row(s);
  // A falling stage that is already this close to silence is silence.
  if (s != attack && level_ < threshold) level_ = 0;
}

void envelope::enter(stage_id s) {
  stage_ = s;
  if (s == idle) {
    level_ = 0;
    running_ = false;
    return;
  }
  load_row(s);
  running_ = true;
}

void envelope::set_attack(float x) {
  attack_x_ = std::clamp(x, 0.f, 1.f);
  table_[attack].coef = to_q31(attack_coef());
  reload_if_active(attack);
}

void envelope::set_decay(float x) {
  decay_x_ = std::clamp(x, 0.f, 1.f);
  int32_t cd = to_q31(fall_coef(decay_x_));
  table_[decay].coef = cd;
  table_[sustain].coef = cd;
  reload_if_active(decay);
  reload_if_active(sustain);
}

// S = x * 0.999 of full scale (0.999 * 0.5 * 2^31).
void envelope::set_sustain(float x) {
  double s = double(std::clamp(x, 0.f, 1.f)) * 0.999 * 0.5 * 2147483648.0;
  int32_t level = int32_t(std::min(s, double(q31_max)));
  table_[decay].goal = table_[decay].end = level;
  table_[sustain].goal = table_[sustain].end = level;
  reload_if_active(decay);
  reload_if_active(sustain);
}

void envelope::set_release(float x) {
  release_x_ = std::clamp(x, 0.f, 1.f);
  table_[release].coef = to_q31(fall_coef(release_x_));
  reload_if_active(release);
}

void envelope::set_keytrack(float amount) {
  if (amount != keytrack_) rescale_ = true;
  keytrack_ = amount;
}

void envelope::set_pitch(float semitones) {
  if (semitones != pitch_) rescale_ = true;
  pitch_ = semitones;
}

void envelope::note_start(int32_t trigger) {
  auto t = envelope_trigger(trigger);
  if (t == envelope_trigger::force_reset) reset();
  if (t != envelope_trigger::delay_a && t != envelope_trigger::delay_b) gate_on();
}

void envelope::gate_on() {
  apply_pending();
  if (rescale_) {
    recompute_time_scale();
    recompute_coefs();
  }
  enter(attack);
  if (!const_attack_ || level_ <= threshold) return;
  // "Const Atk": a new c' so that the way from L to the end E (both as
  // fractions of the goal) takes the whole attack time s1 instead of the
  // remainder s1 - s0: ln(1 - c') = ln(1 - L) (s1 - s0) / (s0 s1). E is
  // where the attack hands over (1 % below its end), so the stage lasts as
  // long as one from 0 does.
  double c = double(coef_) / 2147483648.0;
  double lc = std::log1p(-c);
  double big_l = double(level_) / attack_goal;
  double big_e = double(attack_end - threshold) / attack_goal;
  if (!(lc < 0.0) || big_l >= big_e) return;
  double s1 = std::log1p(-big_e) / lc;
  double s0 = std::log1p(-big_l) / lc;
  double c_new = 1.0 - std::pow(1.0 - big_l, (s1 - s0) / (s0 * s1));
  coef_ = to_q31(c_new);
}

void envelope::gate_off() {
  apply_pending();
  if (rescale_) {
    recompute_time_scale();
    recompute_coefs();
  }
  if (level_ < threshold) {  // |level - 0|: levels are never negative
    enter(idle);
    return;
  }
  enter(release);
}

void envelope::change_gate(bool gate) {
  if (gate)
    gate_on();
  else
    gate_off();
}

void envelope::rescale() {
  recompute_time_scale();
  recompute_coefs();
}

void envelope::end_stage() { enter(stage_ == release ? idle : stage_id(stage_ + 1)); }

void envelope::skip(uint32_t ticks) {
  if (rescale_) {
    recompute_time_scale();
    recompute_coefs();
  }
  if (!running_) {
    pending_ = 0.f;
    return;
  }
  pending_ += float(ticks);
  if (pending_ >= pending_apply_ticks) apply_pending();
}

void envelope::apply_pending() {
  if (pending_ <= 0.f) return;
  double n = pending_;
  pending_ = 0.f;
  if (running_) apply_ticks(n);
}

// The level after t ticks of one stage is goal + (level - goal) (1 - c)^t;
// a stage that would end within the ticks ends at its tick and the rest
// runs on in the next stage, as the ticks would have done.
void envelope::apply_ticks(double n) {
  while (n > 0.0 && running_) {
    double c = double(coef_) / 2147483648.0;
    if (c <= 0.0) break;
    double lr = std::log1p(-c);  // < 0; c <= 1 - 2^-31
    double d = double(level_) - goal_;
    double ad = std::fabs(d);
    double target = std::numeric_limits<double>::infinity();  // |distance to goal| ending the stage
    if (stage_ == attack || stage_ == decay)
      target = std::fabs(double(end_) - goal_) + threshold;
    else if (stage_ == release)
      target = floor_level;
    double k = std::numeric_limits<double>::infinity();
    if (target != std::numeric_limits<double>::infinity())
      k = ad <= target ? 0.0 : std::ceil(std::log(target / ad) / lr);
    double t = std::min(k, n);
    double l = goal_ + d * std::exp(lr * t);
    level_ = int32_t(std::clamp(l, 0.0, double(attack_end)) + 0.5);
    n -= t;
    if (k <= t) enter(stage_ == release ? idle : stage_id(stage_ + 1));
  }
  if (stage_ == release && level_ < threshold) enter(idle);
}

}  // namespace synth
