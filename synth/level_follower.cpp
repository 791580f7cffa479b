#include "synth/level_follower.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace synth {

namespace {

float time_coefficient(float seconds, float rate) {
  return 1.f - std::pow(0.01f, 1.f / (seconds * rate));
}

// Each frame takes one of three paths: rise towards the input (it is above the
// envelope), hold towards the held peak (the hold counter has not run out), or
// fall towards the input. The path follows the signal, so as branches it would
// mispredict on most frames of a noisy input; here every path's operands are
// worked out and masks pick among them. The arithmetic of each path is the
// one it always was, e + (target - e) * coefficient, so the envelope is the
// same bit for bit. A NaN input fails the rise comparison and takes the hold
// or fall path, as with branches; the largest value follows maxss, which keeps
// the old largest unless the envelope is greater, as the comparison did.
#if defined(__SSE2__)
inline __m128 pick(__m128 mask, __m128 a, __m128 b) {
  return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}
#endif

}  // namespace

void level_follower::init(float sample_rate) {
  attack_ = time_coefficient(attack_seconds, sample_rate);
  release_ = time_coefficient(release_seconds, sample_rate);
  hold_step_ = 1.f / (hold_seconds * sample_rate);
}

void level_follower::reset() {
  for (channel& c : channels_) {
    c.e = c.hold = c.peak = 0.f;
    c.largest = 0.f;
  }
  changed_ = false;
}

#if defined(__SSE2__)
// Both channels in the low two lanes of one register: the envelopes are two
// independent recurrences, so they share the instructions of one.
void level_follower::process(const float* left, const float* right, int frames) {
  channel& l = channels_[0];
  channel& r = channels_[1];
  const __m128 largest_before = _mm_setr_ps(l.largest, r.largest, 0.f, 0.f);
  __m128 e = _mm_setr_ps(l.e, r.e, 0.f, 0.f);
  __m128 hold = _mm_setr_ps(l.hold, r.hold, 0.f, 0.f);
  __m128 peak = _mm_setr_ps(l.peak, r.peak, 0.f, 0.f);
  __m128 largest = largest_before;
  const __m128 attack = _mm_set1_ps(attack_);
  const __m128 release = _mm_set1_ps(release_);
  const __m128 hold_step = _mm_set1_ps(hold_step_);
  const __m128 one = _mm_set1_ps(1.f);
  const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
  for (int i = 0; i < frames; ++i) {
    const __m128 x = _mm_unpacklo_ps(_mm_load_ss(left + i), _mm_load_ss(right + i));
    const __m128 a = _mm_and_ps(x, magnitude);
    const __m128 rise = _mm_cmpgt_ps(a, e);
    const __m128 holding = _mm_cmpge_ps(hold, hold_step);
    const __m128 held = _mm_andnot_ps(rise, holding);
    const __m128 distance = pick(held, _mm_sub_ps(peak, e), _mm_sub_ps(a, e));
    const __m128 coefficient = pick(_mm_or_ps(rise, holding), attack, release);
    e = _mm_add_ps(e, _mm_mul_ps(distance, coefficient));
    peak = pick(rise, _mm_max_ps(a, peak), _mm_and_ps(held, peak));
    hold = pick(rise, one, pick(held, _mm_sub_ps(hold, hold_step), hold));
    largest = _mm_max_ps(e, largest);
  }
  float ev[4], holdv[4], peakv[4], largestv[4];
  _mm_storeu_ps(ev, e);
  _mm_storeu_ps(holdv, hold);
  _mm_storeu_ps(peakv, peak);
  _mm_storeu_ps(largestv, largest);
  if (_mm_movemask_ps(_mm_cmpgt_ps(largest, largest_before)) != 0) changed_ = true;
  for (size_t k = 0; k < 2; ++k) {
    channel& c = channels_[k];
    c.e = ev[k] < 1e-10f ? 0.f : ev[k];
    c.hold = holdv[k];
    c.peak = peakv[k];
    c.largest = largestv[k];
  }
}
#else
void level_follower::process(const float* left, const float* right, int frames) {
  run(channels_[0], left, frames);
  run(channels_[1], right, frames);
}

void level_follower::run(channel& c, const float* x, int frames) {
  float e = c.e, hold = c.hold, peak = c.peak, largest = c.largest;
  const float largest_before = largest;
  for (int i = 0; i < frames; ++i) {
    const float a = std::fabs(x[i]);
    const bool rise = a > e;
    const bool holding = hold >= hold_step_;
    const bool held = !rise && holding;
    const float distance = held ? peak - e : a - e;
    e += distance * (rise || holding ? attack_ : release_);
    peak = rise ? (a > peak ? a : peak) : (held ? peak : 0.f);
    hold = rise ? 1.f : (held ? hold - hold_step_ : hold);
    largest = e > largest ? e : largest;
  }
  if (largest > largest_before) changed_ = true;
  if (e < 1e-10f) e = 0.f;
  c.e = e;
  c.hold = hold;
  c.peak = peak;
  c.largest = largest;
}
#endif

float level_follower::read(int channel) {
  float v = channels_[size_t(channel)].largest;
  channels_[size_t(channel)].largest = 0.f;
  return v;
}

}  // namespace synth
