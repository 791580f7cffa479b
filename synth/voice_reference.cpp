// The reference engine: the plain per-sample voice loop, the whole control
// tick at every sample, then the sample. The fast engine (voice_render.cpp)
// must sound exactly like it; the null tests compare the two.
#include <algorithm>
#include <cmath>

#include "synth/dsp/svf_kernel.h"
#include "synth/voice.h"
#include "synth/voice_fixed.h"

namespace synth {

using namespace voice_fixed;

void voice::control_tick() {
  if (countdown_ > 0) {
    --countdown_;
    return;
  }
  countdown_ = ctx_->control_divider - 1;
  run_smoothing();
  lfo_a_.tick();
  lfo_b_.tick();
  run_envelopes();
  run_declick();
  src_.xmod = xmod_modulator(osc_ctl_.xmod, osc_in_.xmod_setting, out_a_, out_b_, ctx_->sample_rate);
  publish_sources();
  evaluate_connections();
  update_oscillators();
  update_filters();
  update_output_gains();
}

void voice::render_reference(float* left, float* right, int n) {
  rebuild_connections();
  render_plain(left, right, n, true);
}

// The whole control tick and a sample, frame by frame, until the block ends
// or the voice does. Without `noise` the shared generator is left alone.
void voice::render_plain(float* left, float* right, int n, bool noise) {
  for (int i = 0; i < n; ++i) {
    if (noise) ctx_->noise.next();
    control_tick();
    render_sample(left + i, right + i);
    if (should_stop()) {
      active_ = false;
      catch_up(n - i - 1);
      return;
    }
  }
}

}  // namespace synth
