#include "tests/tools/fake_plugin.h"

#include <cstring>

namespace fake {

namespace {

int32_t closed = 0;

intptr_t VST_CALL dispatcher(AEffect* e, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                             float) {
  plugin* p = from(e);
  switch (opcode) {
    case effOpen:
      ++p->open_calls;
      return 0;
    case effClose:
      ++closed;
      delete p;
      return 1;
    case effMainsChanged:
      p->mains_on = int32_t(value);
      return 0;
    case effProcessEvents: {
      const VstEvents* list = static_cast<const VstEvents*>(ptr);
      VstEvent* const* slots = reinterpret_cast<VstEvent* const*>(
          reinterpret_cast<const char*>(list) + offsetof(VstEvents, events));
      for (int32_t i = 0; i < list->numEvents; ++i) {
        const VstMidiEvent* m = reinterpret_cast<const VstMidiEvent*>(slots[i]);
        if (m->type != kVstMidiType) continue;
        p->events.push_back({p->process_calls, m->deltaFrames,
                             {uint8_t(m->midiData[0]), uint8_t(m->midiData[1]), uint8_t(m->midiData[2])}});
      }
      return 1;
    }
    case effGetEffectName:
      std::strcpy(static_cast<char*>(ptr), "Fake");
      return 1;
    case effGetParamName:
      std::strcpy(static_cast<char*>(ptr), index == 2 ? "Cutoff" : "Other");
      return 1;
    default:
      return 0;
  }
}

void VST_CALL process_replacing(AEffect* e, float**, float** out, int32_t frames) {
  plugin* p = from(e);
  for (int32_t i = 0; i < frames; ++i) out[0][i] = out[1][i] = p->output_value;
  ++p->process_calls;
}

void VST_CALL process_accumulating(AEffect* e, float**, float** out, int32_t frames) {
  plugin* p = from(e);
  for (int32_t i = 0; i < frames; ++i) {
    out[0][i] += p->output_value;
    out[1][i] += p->output_value;
  }
  ++p->process_calls;
}

// Every parameter change is reported back as automation, as an editor would.
void VST_CALL set_parameter(AEffect* e, int32_t index, float value) {
  plugin* p = from(e);
  p->params[index] = value;
  p->host(e, audioMasterAutomate, index, 0, nullptr, value);
}

float VST_CALL get_parameter(AEffect* e, int32_t index) { return from(e)->params[index]; }

}  // namespace

plugin* from(AEffect* effect) { return static_cast<plugin*>(effect->object); }
int32_t closed_count() { return closed; }

AEffect* VST_CALL entry(audioMasterCallback host) {
  plugin* p = new plugin;
  p->host = host;
  p->version_during_entry = host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.f);
  AEffect& e = p->effect;
  e.magic = kEffectMagic;
  e.dispatcher = dispatcher;
  e.process = process_accumulating;
  e.processReplacing = process_replacing;
  e.setParameter = set_parameter;
  e.getParameter = get_parameter;
  e.numPrograms = 1;
  e.numParams = 4;
  e.numOutputs = 2;
  e.flags = effFlagsCanReplacing | effFlagsIsSynth;
  e.object = p;
  e.uniqueID = vst_fourcc('f', 'a', 'k', 'e');
  // Called with the effect before the entry has returned it to the host.
  p->wants_midi_answer = host(&e, audioMasterWantMidi, 0, 1, nullptr, 0.f);
  return &e;
}

AEffect* VST_CALL null_entry(audioMasterCallback) { return nullptr; }

AEffect* VST_CALL bad_magic_entry(audioMasterCallback host) {
  static AEffect e{};
  e.magic = 0x12345678;
  return &e;
}

}  // namespace fake
