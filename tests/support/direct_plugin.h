// An instance built in-process from the core library (not through dlopen), for
// tests that need to reach inside while driving it with host calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "plugin/vst2/synth_plugin.h"
#include "plugin/vst2/vst2.h"

namespace test_support {

inline intptr_t VST_CALL quiet_host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

// A block's worth of MIDI events in storage sized up front.
class midi_block {
 public:
  void add(int32_t frame, uint8_t b0, uint8_t b1, uint8_t b2) {
    if (count_ >= capacity) return;
    VstMidiEvent& e = events_[count_];
    e = VstMidiEvent{};
    e.type = kVstMidiType;
    e.byteSize = sizeof(VstMidiEvent);
    e.deltaFrames = frame;
    e.midiData[0] = char(b0);
    e.midiData[1] = char(b1);
    e.midiData[2] = char(b2);
    ++count_;
  }
  VstEvents* events() {
    header_.h.numEvents = count_;
    // The pointers run on past the two declared slots into `more`: address
    // them from the raw bytes, as a host does.
    auto* slots = reinterpret_cast<VstEvent**>(reinterpret_cast<char*>(&header_) + offsetof(VstEvents, events));
    for (int i = 0; i < count_; ++i) slots[i] = reinterpret_cast<VstEvent*>(&events_[i]);
    return &header_.h;
  }
  void clear() { count_ = 0; }

 private:
  static constexpr int capacity = 64;
  struct block {
    VstEvents h;
    VstEvent* more[capacity];
  } header_{};
  VstMidiEvent events_[capacity]{};
  int count_ = 0;
};

struct direct_plugin {
  plugin::synth_plugin* p = plugin::synth_plugin::create(quiet_host);
  AEffect* e = p->effect();
  std::vector<float> left = std::vector<float>(512), right = std::vector<float>(512);

  direct_plugin() {
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.f);
    e->dispatcher(e, effSetBlockSize, 0, 512, nullptr, 0.f);
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.f);
  }
  ~direct_plugin() { e->dispatcher(e, effClose, 0, 0, nullptr, 0.f); }
  void process(midi_block* midi, int frames = 512) {
    if (midi) e->dispatcher(e, effProcessEvents, 0, 0, midi->events(), 0.f);
    float* out[2] = {left.data(), right.data()};
    e->processReplacing(e, nullptr, out, frames);
  }
};

}  // namespace test_support
