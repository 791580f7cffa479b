// A bright held note for the editor tests through the built plug-in: a ramp
// through a 12 dB low-pass at a low cutoff, whose spectral centroid rises as
// the cutoff knob turns up.
#pragma once

#include <vector>

#include "synth/param_table.h"
#include "tests/support/centroid.h"
#include "tools/vsthost/plugin_instance.h"

namespace test_support {

inline void dark_ramp_patch(vsthost::plugin_instance& plugin) {
  plugin.set_parameter(synth::p::osc_a_waveform, 2.5f / 5.999f);  // ramp
  plugin.set_parameter(synth::p::osc_b_level, 0.f);
  plugin.set_parameter(synth::p::filter_mode, 1.5f / 8.999f);  // low-pass 12 dB
  plugin.set_parameter(synth::p::filter_frequency, 0.3f);
  plugin.set_parameter(synth::p::filter_resonance, 0.f);
}

// Renders seconds in blocks of the plug-in's size; the centroid of the last 4096 samples.
inline double render_centroid(vsthost::plugin_instance& plugin, double seconds, double rate) {
  const int block = plugin.block_size();
  std::vector<float> l(static_cast<size_t>(block)), r(static_cast<size_t>(block)), tail;
  for (int done = 0; done < int(seconds * rate); done += block) {
    plugin.process(l.data(), r.data(), block);
    tail.insert(tail.end(), l.begin(), l.end());
  }
  return spectral_centroid_hz(tail.data() + tail.size() - 4096, 4096, rate);
}

}  // namespace test_support
