// The compensated phase of a plain oscillator over a stretch of samples
// without events, several samples at a time.
//
// add_increment is a chain of four dependent additions per sample, and the
// oscillator's loop waits on it. Here the lanes first guess the states of
// the next four (SSE2) or eight (AVX2) samples at once from one double:
// T = phase - lost grows by exactly the increment at every step where the
// increment minus the compensation is exact, which is nearly every step, and
// phase = T rounded to float, lost = phase - T. Then each lane takes the
// guessed state of the sample before it through add_increment's own float
// operations, in its order, and the guess stands only where that gives the
// guess of its own sample again, bit for bit. The first lane starts from the
// true state, so every state that stands is add_increment's, whatever the
// rounding mode; a wrong guess only ends the stretch early. The first sample
// of a stretch steps alone: it usually follows an event, with the phase below
// the increment, where the guess often misses.
#pragma once

#include <cstdint>

namespace synth::phase_lanes {

struct run_io {
  float phase;              // in: the state before the first sample; out: after the last taken
  float lost;               // its compensation term (see add_increment)
  const float* increment;   // [n] each sample's increment as given to set_increment, or null
  float fixed_increment;    // the increment of every sample when `increment` is null (limited)
  float next_event;         // a rising phase (increment >= 0) that reaches this has an event
  float previous_event;     // a falling phase that comes down to this has an event
  int32_t n;                // samples offered, >= 0
  float* phases;            // [n] out: the phase after each sample taken
};

// Takes samples from the first while the step is vouched for and reaches no
// event; returns how many (0..n). The sample after them is the caller's,
// through the sample-by-sample step.
int32_t run(run_io& io);

namespace detail {
// The lanes alone, from the state in io (run takes the first sample itself).
int32_t lanes_sse2(run_io& io);
// Only on a CPU with AVX2 (and a build with the kernel).
int32_t lanes_avx2(run_io& io);
}  // namespace detail

}  // namespace synth::phase_lanes
