// vorn.so loaded through its entry as a host loads it, with the render and
// patch helpers the audio tests share. Header-only: each test executable
// that plays the plug-in includes it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "plugin/vst2/vst2.h"
#include "tools/analysis/spectrum.h"
#include "tools/vsthost/plugin_instance.h"
#include "tools/vsthost/plugin_library.h"

namespace test_support {

constexpr double default_rate = 44100.0;
constexpr int block = 512;

// Normalised value that lands on integer v of a parameter with range [min, max].
inline float int_norm(int v, int min, int max) { return (float(v - min) + 0.5f) / (float(max - min) + 0.999f); }

struct synth_host {
  vsthost::plugin_library library;
  vsthost::plugin_instance instance;
  std::vector<float> left, right;
  double rate = default_rate;

  bool load() {
    std::string error;
    if (!library.open(VORN_PLUGIN_PATH, error) || !instance.create(library, error)) {
      ADD_FAILURE() << error;
      return false;
    }
    instance.set_sample_rate(rate);
    instance.set_block_size(block);
    instance.resume();
    return true;
  }
  // A clean sine voice: osc A sine, osc B silent, amplitude from the gate.
  void sine_patch() {
    instance.set_parameter(16, int_norm(4, 0, 5));  // Osc A Waveform: sine
    instance.set_parameter(35, 0.f);                // Osc B Level
    instance.set_parameter(1, int_norm(0, 0, 2));   // volume envelope: Gate
  }
  // The globals (89..105) are the editor's; hosts never send them, so the
  // host library filters them. Go through the entry's setParameter directly.
  void set_global(int index, float normalised) {
    instance.effect()->setParameter(instance.effect(), index, normalised);
  }
  void midi(int delta, int b0, int b1, int b2) { instance.queue_midi(delta, uint8_t(b0), uint8_t(b1), uint8_t(b2)); }
  // One host event list, sent with its own effProcessEvents call.
  void send(VstEvents* list) { instance.dispatch(effProcessEvents, 0, 0, list); }
  // Renders seconds of audio, appending to left/right.
  void render(double seconds) {
    int frames = int(seconds * rate);
    std::vector<float> l(block), r(block);
    for (int done = 0; done < frames; done += block) {
      int n = std::min(block, frames - done);
      instance.process(l.data(), r.data(), n);
      left.insert(left.end(), l.begin(), l.begin() + n);
      right.insert(right.end(), r.begin(), r.begin() + n);
    }
  }
  void render_blocks(int blocks) { render(double(blocks) * block / rate); }
  double measured_hz(size_t from, size_t n, double approx) {
    return analysis::fundamental_hz(left.data() + from, n, rate, approx);
  }
};

inline std::unique_ptr<synth_host> make_host(double rate = default_rate) {
  auto h = std::make_unique<synth_host>();
  h->rate = rate;
  if (!h->load()) return nullptr;
  return h;
}

}  // namespace test_support
