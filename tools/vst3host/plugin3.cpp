#include "tools/vst3host/plugin3.h"

#include <cstdio>
#include <cstring>

namespace vst3host {

namespace {

using namespace vst3;

std::string cid_text(const char* raw) {
  uid u{};
  std::memcpy(u.bytes, raw, 16);
  uint32 w[4];
  u.words(w);
  char text[40];
  std::snprintf(text, sizeof text, "%08X%08X%08X%08X", unsigned(w[0]), unsigned(w[1]), unsigned(w[2]),
                unsigned(w[3]));
  return text;
}

template <size_t n>
std::string field(const char (&text)[n]) {
  return std::string(text, strnlen(text, n));
}

template <class T>
T* query(FUnknown* object, const uid& id) {
  void* out = nullptr;
  if (!object || object->queryInterface(id.data(), &out) != kResultOk) return nullptr;
  return static_cast<T*>(out);
}

}  // namespace

std::vector<class_listing> list_classes(IPluginFactory& factory) {
  std::vector<class_listing> out;
  auto* f2 = query<IPluginFactory2>(&factory, iid::IPluginFactory2);
  const int32 count = factory.countClasses();
  for (int32 i = 0; i < count; ++i) {
    class_listing c;
    PClassInfo2 info2{};
    PClassInfo info{};
    if (f2 && f2->getClassInfo2(i, &info2) == kResultOk) {
      c = class_listing{cid_text(info2.cid), field(info2.category), field(info2.name), field(info2.subCategories),
                        field(info2.vendor), field(info2.version)};
    } else if (factory.getClassInfo(i, &info) == kResultOk) {
      c = class_listing{cid_text(info.cid), field(info.category), field(info.name), "", "", ""};
    } else {
      continue;
    }
    out.push_back(c);
  }
  if (f2) f2->release();
  return out;
}

plugin3::~plugin3() { close(); }

bool plugin3::create(module_library& module, std::string& error) {
  close();
  IPluginFactory* factory = module.factory();
  if (!factory) {
    error = "no factory";
    return false;
  }
  if (auto* f3 = query<IPluginFactory3>(factory, iid::IPluginFactory3)) {
    f3->setHostContext(&application_);
    f3->release();
  }
  PClassInfo info{};
  int32 found = -1;
  for (int32 i = 0; i < factory->countClasses() && found < 0; ++i)
    if (factory->getClassInfo(i, &info) == kResultOk && field(info.category) == "Audio Module Class") found = i;
  if (found < 0) {
    error = "the module offers no Audio Module Class";
    return false;
  }
  void* made = nullptr;
  if (factory->createInstance(info.cid, iid::IComponent.data(), &made) != kResultOk || !made) {
    error = "createInstance refused the component";
    return false;
  }
  component_ = static_cast<IComponent*>(made);
  if (component_->initialize(&application_) != kResultOk) {
    component_->release();
    component_ = nullptr;
    error = "the component refused initialize";
    return false;
  }
  processor_ = query<IAudioProcessor>(component_, iid::IAudioProcessor);
  if (!processor_) {
    error = "the component has no IAudioProcessor";
    close();
    return false;
  }
  controller_ = query<IEditController>(component_, iid::IEditController);
  if (!controller_) {
    TUID controller_cid;
    void* c = nullptr;
    if (component_->getControllerClassId(controller_cid) == kResultOk &&
        factory->createInstance(controller_cid, iid::IEditController.data(), &c) == kResultOk && c) {
      controller_ = static_cast<IEditController*>(c);
      separate_controller_ = true;
      if (controller_->initialize(&application_) != kResultOk) {
        controller_->release();
        controller_ = nullptr;
      }
    }
  }
  if (controller_) {
    controller_->setComponentHandler(&handler_);
    mapping_ = query<IMidiMapping>(controller_, iid::IMidiMapping);
    std::vector<uint8_t> state;
    if (save_state(state)) {
      memory_stream s(state);
      controller_->setComponentState(&s);
    }
    for (const parameter_listing& p : parameters())
      if (p.flags & kIsProgramChange) program_param_ = p.id;
  }
  return true;
}

bool plugin3::start(double sample_rate, int32_t block_size) {
  if (!processor_) return false;
  stop();
  SpeakerArrangement stereo = kSpeakerStereo;
  processor_->setBusArrangements(nullptr, 0, &stereo, 1);
  for (int32 i = 0; i < component_->getBusCount(kAudio, kOutput); ++i) component_->activateBus(kAudio, kOutput, i, 1);
  for (int32 i = 0; i < component_->getBusCount(kEvent, kInput); ++i) component_->activateBus(kEvent, kInput, i, 1);
  ProcessSetup setup{kRealtime, kSample32, block_size, sample_rate};
  if (processor_->setupProcessing(setup) != kResultOk) return false;
  if (component_->setActive(1) != kResultOk) return false;
  processor_->setProcessing(1);
  block_size_ = block_size;
  sample_rate_ = sample_rate;
  started_ = true;
  context_ = ProcessContext{};
  context_.sampleRate = sample_rate;
  context_.tempo = 120.0;
  context_.state = kPlaying | kTempoValid | kProjectTimeMusicValid | kTimeSigValid;  // as the VST 2 host plays
  context_.timeSigNumerator = 4;
  context_.timeSigDenominator = 4;
  frames_done_ = 0;
  return true;
}

void plugin3::stop() {
  if (!started_) return;
  processor_->setProcessing(0);
  component_->setActive(0);
  started_ = false;
}

void plugin3::close() {
  stop();
  if (mapping_) mapping_->release();
  mapping_ = nullptr;
  if (controller_) {
    controller_->setComponentHandler(nullptr);
    if (separate_controller_) controller_->terminate();
    controller_->release();
  }
  controller_ = nullptr;
  separate_controller_ = false;
  if (processor_) processor_->release();
  processor_ = nullptr;
  if (component_) {
    component_->terminate();
    component_->release();
  }
  component_ = nullptr;
  program_param_ = kNoParamId;
}

std::vector<parameter_listing> plugin3::parameters() {
  std::vector<parameter_listing> out;
  if (!controller_) return out;
  const int32 count = controller_->getParameterCount();
  for (int32 i = 0; i < count; ++i) {
    ParameterInfo info{};
    if (controller_->getParameterInfo(i, info) != kResultOk) continue;
    out.push_back(parameter_listing{info.id, narrow(info.title, 128), narrow(info.units, 128), info.stepCount,
                                    info.defaultNormalizedValue, info.flags});
  }
  return out;
}

ParamID plugin3::mapped(int32_t channel, int32_t control) {
  ParamID id = kNoParamId;
  if (!mapping_ || mapping_->getMidiControllerAssignment(0, int16(channel), CtrlNumber(control), id) != kResultTrue)
    return kNoParamId;
  return id;
}

void plugin3::queue_midi(int32_t frame, const uint8_t* bytes, int32_t size) {
  if (size < 2) return;
  const uint8_t status = bytes[0] & 0xF0;
  const int16 channel = int16(bytes[0] & 0x0F);
  const uint8_t d1 = bytes[1];
  const uint8_t d2 = size > 2 ? bytes[2] : 0;
  Event e{};
  e.sampleOffset = frame;
  switch (status) {
    case 0x90:
      if (d2 > 0) {
        e.type = kNoteOnEvent;
        e.noteOn = NoteOnEvent{channel, int16(d1), 0.f, float(d2) / 127.f, 0, -1};
        events_.addEvent(e);
        break;
      }
      [[fallthrough]];
    case 0x80:
      e.type = kNoteOffEvent;
      e.noteOff = NoteOffEvent{channel, int16(d1), status == 0x80 ? float(d2) / 127.f : 0.f, -1, 0.f};
      events_.addEvent(e);
      break;
    case 0xA0:
      e.type = kPolyPressureEvent;
      e.polyPressure = PolyPressureEvent{channel, int16(d1), float(d2) / 127.f, -1};
      events_.addEvent(e);
      break;
    case 0xB0:
      if (ParamID id = mapped(channel, d1); id != kNoParamId) queue_parameter(frame, id, d2 / 127.0);
      break;
    case 0xD0:
      if (ParamID id = mapped(channel, kAfterTouch); id != kNoParamId) queue_parameter(frame, id, d1 / 127.0);
      break;
    case 0xE0:
      if (ParamID id = mapped(channel, kPitchBend); id != kNoParamId)
        queue_parameter(frame, id, double(d1 | d2 << 7) / 16383.0);
      break;
    case 0xC0:
      if (program_param_ != kNoParamId) queue_parameter(frame, program_param_, d1 / 127.0);
      break;
    default:
      break;
  }
}

void plugin3::queue_parameter(int32_t frame, ParamID id, double value) { changes_.add(id, frame, value); }

void plugin3::queue_event(const Event& e) {
  Event copy = e;
  events_.addEvent(copy);
}

void plugin3::set_tempo(double bpm, bool playing) {
  context_.tempo = bpm;
  context_.state = (context_.state & ~kPlaying) | (playing ? kPlaying : 0u);
}

bool plugin3::process(float* left, float* right, int32_t frames) {
  if (!started_ || frames < 0 || frames > block_size_) return false;
  float* channels[2] = {left, right};
  AudioBusBuffers out{};
  out.numChannels = 2;
  out.channelBuffers32 = channels;
  context_.projectTimeSamples = frames_done_;
  context_.projectTimeMusic = double(frames_done_) / sample_rate_ * context_.tempo / 60.0;
  ProcessData data{};
  data.processMode = kRealtime;
  data.symbolicSampleSize = kSample32;
  data.numSamples = frames;
  data.numOutputs = 1;
  data.outputs = &out;
  data.inputParameterChanges = &changes_;
  data.inputEvents = &events_;
  data.processContext = &context_;
  const tresult r = processor_->process(data);
  changes_.clear();
  events_.clear();
  frames_done_ += frames;
  return r == kResultOk;
}

bool plugin3::save_state(std::vector<uint8_t>& out) {
  memory_stream s;
  if (!component_ || component_->getState(&s) != kResultOk) return false;
  out = s.bytes();
  return true;
}

bool plugin3::save_controller_state(std::vector<uint8_t>& out) {
  memory_stream s;
  if (!controller_ || controller_->getState(&s) != kResultOk) return false;
  out = s.bytes();
  return true;
}

bool plugin3::load_controller_state(const std::vector<uint8_t>& bytes) {
  memory_stream s(bytes);
  return controller_ && controller_->setState(&s) == kResultOk;
}

bool plugin3::load_state(const std::vector<uint8_t>& bytes) {
  memory_stream s(bytes);
  if (!component_ || component_->setState(&s) != kResultOk) return false;
  if (controller_) {
    memory_stream again(bytes);
    controller_->setComponentState(&again);
  }
  return true;
}

}  // namespace vst3host
