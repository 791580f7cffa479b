// The block render with a spread per sample. A multi-ramp's spread follows
// the width control, so an LFO or an envelope on the width moves it; the
// control tick's value is an integer step of the modulation, so the spread
// holds for runs of samples and changes between them. Each run renders as a
// block at its spread (set_spread only rebuilds the ramp ratios when the
// spread changed, as the control tick's call does), so the samples are
// those of render() after the same control calls, sample by sample.
#include "synth/dsp/oscillator.h"

namespace synth {

namespace {

// A multi-ramp run shorter than this renders sample by sample, four ramps to
// a register: the chunked block first lays out the correction ring for the
// run, which a few samples do not repay.
constexpr int32_t short_run = 8;

// Whether the spread holds through n samples. No early exit: the compiler
// compares several samples to a register.
bool one_spread(const float* spread, int32_t n) {
  int32_t differ = 0;
  for (int32_t i = 1; i < n; ++i) differ |= spread[i] != spread[0] ? 1 : 0;
  return differ == 0;
}

}  // namespace

void oscillator::render_block(float* out, int32_t n, const float* increment, const float* width,
                              const float* spread) {
  if (n <= 0) return;
  // Only a ramp reads the spread, and the waveform cannot turn into one
  // within the block without a change pending: the spread in force at the
  // end is all that shows. Likewise where it holds through the block.
  if ((waveform_ != waveform::ramp && pending_waveform_ < 0) || one_spread(spread, n)) {
    set_spread(spread[n - 1]);
    render_block(out, n, increment, width);
    return;
  }
  for (int32_t at = 0; at < n;) {
    int32_t end = at + 1;
    while (end < n && spread[end] == spread[at]) ++end;
    set_spread(spread[at]);
    const int32_t m = end - at;
    const bool free_multi_ramp =
        waveform_ == waveform::ramp && spread_ != 0.f && !sync_master_ && pending_waveform_ < 0;
    if (free_multi_ramp && m < short_run) {
      multi_ramp_samples(out + at, m, increment + at);
      set_pending_width(width[end - 1]);
    } else {
      render_block(out + at, m, increment + at, width + at);
    }
    at = end;
  }
}

}  // namespace synth
