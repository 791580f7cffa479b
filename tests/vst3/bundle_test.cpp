// The built bundle through our VST 3 host, against vorn.so through our VST 2
// host: what the module lists, the same samples from the same MIDI and
// state in both formats, states moving between them, and a host that calls
// out of order or hands over rubbish.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "plugin/vst2/vst2.h"
#include "plugin/vst3/class_ids.h"
#include "plugin/vst3/text16.h"
#include "synth/param_table.h"
#include "tests/support/private_home.h"
#include "tools/vsthost/plugin_instance.h"
#include "tools/vsthost/plugin_library.h"
#include "tools/vst3host/midi_render.h"
#include "tools/vst3host/plugin3.h"

namespace {

using namespace vst3;
using vst3host::plugin3;

test_support::private_home home("vorn-vst3-tests");

constexpr int32_t sound_params = 89;
constexpr int32_t block = 512;
constexpr double rate = 44100.0;

struct vst3_side {
  vst3host::module_library module;
  plugin3 plugin;
  explicit vst3_side(bool start = true) {
    std::string error;
    EXPECT_TRUE(module.open(VORN_VST3_BUNDLE, error)) << error;
    EXPECT_TRUE(plugin.create(module, error)) << error;
    if (start) {
      EXPECT_TRUE(plugin.start(rate, block));
    }
  }
  std::vector<uint8_t> state() {
    std::vector<uint8_t> s;
    EXPECT_TRUE(plugin.save_state(s));
    return s;
  }
};

struct vst2_side {
  vsthost::plugin_library library;
  vsthost::plugin_instance plugin;
  vst2_side() {
    std::string error;
    EXPECT_TRUE(library.open(VORN_PLUGIN_PATH, error)) << error;
    EXPECT_TRUE(plugin.create(library, error)) << error;
    plugin.set_sample_rate(rate);
    plugin.set_block_size(block);
    plugin.resume();
  }
  std::vector<uint8_t> state() {
    void* data = nullptr;
    const intptr_t size = plugin.dispatch(effGetChunk, 0, 0, &data);
    if (size <= 0 || !data) return {};
    const uint8_t* p = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(p, p + size);
  }
  void load(const std::vector<uint8_t>& s) {
    plugin.dispatch(effSetChunk, 0, intptr_t(s.size()), const_cast<uint8_t*>(s.data()));
  }
};

// A phrase that uses every kind of channel message the formats carry
// differently: notes, poly pressure, controllers, channel pressure, pitch
// bend. Controllers never share a frame with a note (the VST 3 shell orders
// parameters before notes at one frame, a VST 2 host keeps arrival order).
midi::song phrase() {
  midi::song s;
  auto at = [&](double seconds, uint8_t b0, uint8_t b1, uint8_t b2, uint8_t size = 3) {
    midi::timed_message m{seconds, {b0, b1, b2}, size};
    s.messages.push_back(m);
  };
  at(0.000, 0x90, 60, 100);
  at(0.013, 0xB0, 1, 90);  // modulation
  at(0.100, 0x90, 64, 70);
  at(0.151, 0xE0, 0x00, 0x50);  // bend up
  at(0.230, 0xA0, 64, 80);      // poly pressure
  at(0.301, 0xD0, 100, 0, 2);   // channel pressure
  at(0.402, 0xB0, 74, 20);
  at(0.500, 0x80, 60, 64);
  at(0.520, 0xE0, 0x00, 0x40);  // back to the centre
  at(0.610, 0x91, 67, 127);     // another channel
  at(0.800, 0x80, 64, 0);
  at(0.900, 0x81, 67, 0);
  s.length_seconds = 1.0;
  return s;
}

vst3host::stereo_audio render_vst2(vsthost::plugin_instance& p, const midi::song& song, double tail) {
  const int64_t total = int64_t(std::ceil((song.length_seconds + tail) * rate));
  vst3host::stereo_audio out;
  out.left.assign(size_t(total), 0.f);
  out.right.assign(size_t(total), 0.f);
  size_t next = 0;
  for (int64_t done = 0; done < total;) {
    const int32_t frames = int32_t(std::min<int64_t>(block, total - done));
    for (; next < song.messages.size(); ++next) {
      const midi::timed_message& m = song.messages[next];
      const int64_t at = int64_t(std::floor(m.seconds * rate));
      if (at >= done + frames) break;
      p.queue_midi(int32_t(at - done), m.bytes[0], m.bytes[1], m.bytes[2]);
    }
    EXPECT_TRUE(p.process(out.left.data() + done, out.right.data() + done, frames));
    done += frames;
  }
  return out;
}

double peak(const std::vector<float>& v) {
  double m = 0.0;
  for (float x : v) m = std::max(m, double(std::fabs(x)));
  return m;
}

size_t first_difference(const vst3host::stereo_audio& a, const vst3host::stereo_audio& b) {
  for (size_t i = 0; i < a.left.size() && i < b.left.size(); ++i)
    if (a.left[i] != b.left[i] || a.right[i] != b.right[i]) return i;
  return a.left.size() == b.left.size() ? size_t(-1) : std::min(a.left.size(), b.left.size());
}

std::string utf8(const char16* text) { return vst3host::narrow(text, 128); }

TEST(Vst3Bundle, ListsTheInstrumentClassAsItsModuleInfoDoes) {
  vst3_side s(false);
  const auto classes = vst3host::list_classes(*s.module.factory());
  ASSERT_EQ(classes.size(), 1u);
  EXPECT_EQ(classes[0].category, "Audio Module Class");
  EXPECT_EQ(classes[0].sub_categories, "Instrument|Synth");
  EXPECT_EQ(classes[0].name, "Vorn");
  EXPECT_EQ(classes[0].cid, vst3_shell::processor_cid_text);
  std::ifstream info(std::string(VORN_VST3_BUNDLE) + "/Contents/Resources/moduleinfo.json");
  std::stringstream text;
  text << info.rdbuf();
  EXPECT_NE(text.str().find("\"CID\": \"" + classes[0].cid + "\""), std::string::npos);
  EXPECT_NE(text.str().find("\"Category\": \"Audio Module Class\""), std::string::npos);
  // A class ID the module does not have.
  void* obj = reinterpret_cast<void*>(1);
  const uid other = uid::from_words(1, 2, 3, 4);
  EXPECT_EQ(s.module.factory()->createInstance(other.data(), iid::IComponent.data(), &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
}

// The sound's parameters keep their VST 2 indices, names, steps and texts.
TEST(Vst3Bundle, ParametersMatchTheVst2OnesWithTextsBothWays) {
  vst3_side v3(false);
  vst2_side v2;
  const auto params = v3.plugin.parameters();
  ASSERT_GE(params.size(), size_t(sound_params + 1));
  IEditController* c = v3.plugin.controller();
  int32_t stepped = 0;
  for (int32_t i = 0; i < sound_params; ++i) {
    SCOPED_TRACE(i);
    const vst3host::parameter_listing& p = params[size_t(i)];
    EXPECT_EQ(p.id, ParamID(i));
    EXPECT_EQ(p.title, v2.plugin.param_name(i));
    EXPECT_TRUE(p.flags & kCanAutomate);
    EXPECT_EQ(c->getParamNormalized(p.id), double(v2.plugin.get_parameter(i)));
    if (p.step_count == 0) continue;
    ++stepped;
    // Every step's text is the VST 2 display of that value, and reads back
    // to the same step.
    for (int32_t k = 0; k <= p.step_count; k += std::max(1, p.step_count / 5)) {
      const double v = double(k) / p.step_count;
      char16 text[128] = {};
      ASSERT_EQ(c->getParamStringByValue(p.id, v, text), kResultOk);
      v2.plugin.set_parameter(i, float(v));
      EXPECT_EQ(utf8(text), v2.plugin.param_display(i)) << "step " << k;
      ParamValue back = -1.0;
      ASSERT_EQ(c->getParamValueByString(p.id, text, back), kResultOk) << utf8(text);
      EXPECT_EQ(std::lround(back * p.step_count), k) << utf8(text);
    }
  }
  EXPECT_GT(stepped, 10);
  // The program selector and the bank's names.
  const vst3host::parameter_listing& program = params[size_t(sound_params)];
  EXPECT_TRUE(program.flags & kIsProgramChange);
  EXPECT_EQ(program.step_count, 127);
  IUnitInfo* units = nullptr;
  ASSERT_EQ(c->queryInterface(iid::IUnitInfo.data(), reinterpret_cast<void**>(&units)), kResultOk);
  UnitInfo unit{};
  ASSERT_EQ(units->getUnitInfo(0, unit), kResultOk);
  ProgramListInfo list{};
  ASSERT_EQ(units->getProgramListInfo(0, list), kResultOk);
  EXPECT_EQ(unit.programListId, list.id);
  EXPECT_EQ(list.programCount, 128);
  for (int32_t k : {0, 1, 64, 127}) {
    char16 name[128] = {};
    ASSERT_EQ(units->getProgramName(list.id, k, name), kResultOk);
    EXPECT_EQ(utf8(name), v2.plugin.program_name(k));
  }
  char16 name[128];
  EXPECT_EQ(units->getProgramName(list.id, 128, name), kInvalidArgument);
  units->release();
}

// Every controller of every channel, channel pressure and pitch bend map
// onto distinct hidden parameters the controller exports.
TEST(Vst3Bundle, MidiMappingNamesExportedHiddenParameters) {
  vst3_side v3(false);
  const auto params = v3.plugin.parameters();
  IMidiMapping* mapping = nullptr;
  ASSERT_EQ(v3.plugin.controller()->queryInterface(iid::IMidiMapping.data(), reinterpret_cast<void**>(&mapping)),
            kResultOk);
  std::vector<ParamID> seen;
  for (int16 channel = 0; channel < 16; ++channel) {
    for (CtrlNumber ctrl = 0; ctrl < kCountCtrlNumber; ++ctrl) {
      ParamID id = kNoParamId;
      ASSERT_EQ(mapping->getMidiControllerAssignment(0, channel, ctrl, id), kResultTrue);
      seen.push_back(id);
    }
  }
  ParamID id = 0;
  EXPECT_EQ(mapping->getMidiControllerAssignment(1, 0, 7, id), kResultFalse);
  EXPECT_EQ(mapping->getMidiControllerAssignment(0, 16, 7, id), kResultFalse);
  EXPECT_EQ(mapping->getMidiControllerAssignment(0, 0, kCountCtrlNumber, id), kResultFalse);
  mapping->release();
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end());
  size_t exported_hidden = 0;
  for (const auto& p : params)
    if (std::binary_search(seen.begin(), seen.end(), p.id)) {
      EXPECT_TRUE(p.flags & kIsHidden);
      EXPECT_FALSE(p.flags & kCanAutomate);
      ++exported_hidden;
    }
  EXPECT_EQ(exported_hidden, seen.size());
}

// The same MIDI from the same state gives the same samples in both formats;
// the state comes from the VST 2 build, so it also crosses formats.
TEST(Vst3Render, SameSamplesAsVst2FromTheSameState) {
  vst2_side v2;
  v2.plugin.set_program(5);
  v2.plugin.set_parameter(10, 0.3f);
  const std::vector<uint8_t> state = v2.state();
  ASSERT_FALSE(state.empty());
  vst3_side v3(false);
  ASSERT_TRUE(v3.plugin.load_state(state));
  ASSERT_TRUE(v3.plugin.start(rate, block));
  // Restart the VST 2 side too, so both begin from a fresh activation.
  v2.plugin.suspend();
  v2.plugin.resume();
  const midi::song song = phrase();
  const vst3host::stereo_audio a = render_vst2(v2.plugin, song, 0.5);
  vst3host::stereo_audio b;
  std::string error;
  ASSERT_TRUE(vst3host::render_song(v3.plugin, song, rate, 0.5, b, error)) << error;
  ASSERT_EQ(a.left.size(), b.left.size());
  EXPECT_GT(peak(a.left), 0.01);  // the phrase is heard at all
  const size_t differs = first_difference(a, b);
  std::printf("VST 2 and VST 3: %zu frames each, peak %.3f / %.3f, first differing frame: %s\n", a.left.size(),
              peak(a.left), peak(b.left), differs == size_t(-1) ? "none" : std::to_string(differs).c_str());
  EXPECT_EQ(differs, size_t(-1)) << "first differing frame";
}

// A parameter point in the middle of a block takes effect at its frame:
// the same as the block split there with the point at the start of the
// second half.
TEST(Vst3Render, ParameterPointsApplyAtTheirFrame) {
  auto run = [](bool split) {
    vst3_side v3;
    std::vector<float> l(4 * block), r(4 * block);
    const uint8_t note[3] = {0x90, 57, 110};
    v3.plugin.queue_midi(0, note, 3);
    EXPECT_TRUE(v3.plugin.process(l.data(), r.data(), block));
    const ParamID cutoff = synth::p::filter_frequency;
    if (split) {
      EXPECT_TRUE(v3.plugin.process(l.data() + block, r.data() + block, 200));
      v3.plugin.queue_parameter(0, cutoff, 0.05);
      EXPECT_TRUE(v3.plugin.process(l.data() + block + 200, r.data() + block + 200, block - 200));
    } else {
      v3.plugin.queue_parameter(200, cutoff, 0.05);
      EXPECT_TRUE(v3.plugin.process(l.data() + block, r.data() + block, block));
    }
    EXPECT_TRUE(v3.plugin.process(l.data() + 2 * block, r.data() + 2 * block, block));
    return l;
  };
  const std::vector<float> whole = run(false);
  const std::vector<float> split = run(true);
  EXPECT_EQ(whole, split);
}

// States move both ways between the formats and into fresh instances, byte
// for byte; a VST 2 project's wrapped chunk loads too.
TEST(Vst3State, StatesCrossFormatsAndInstances) {
  std::vector<uint8_t> from3, controller3;
  {
    vst3_side v3;
    v3.plugin.controller()->setParamNormalized(1000, 7.0 / 127.0);  // program 7
    v3.plugin.controller()->setParamNormalized(12, 0.25);
    from3 = v3.state();
    ASSERT_GT(from3.size(), 8u);
    EXPECT_EQ(std::memcmp(from3.data(), "vorn", 4), 0);
    ASSERT_TRUE(v3.plugin.save_controller_state(controller3));
  }
  {
    // Restored as hosts restore a project: the component's state, then the
    // controller's, which brings back the program that plays.
    vst3_side fresh;
    EXPECT_NE(fresh.state(), from3);
    ASSERT_TRUE(fresh.plugin.load_state(from3));
    EXPECT_EQ(fresh.state(), from3);
    ASSERT_TRUE(fresh.plugin.load_controller_state(controller3));
    EXPECT_EQ(fresh.plugin.controller()->getParamNormalized(1000), 7.0 / 127.0);
    EXPECT_FLOAT_EQ(float(fresh.plugin.controller()->getParamNormalized(12)), 0.25f);
    EXPECT_TRUE(fresh.plugin.load_controller_state({}));  // a host that kept none: nothing changes
    EXPECT_FALSE(fresh.plugin.load_controller_state({'v', 'p', 'r', 'g', 200, 0, 0, 0}));
    EXPECT_EQ(fresh.plugin.controller()->getParamNormalized(1000), 7.0 / 127.0);
  }
  vst2_side v2;
  v2.load(from3);
  EXPECT_EQ(v2.state(), from3);
  v2.plugin.set_program(7);
  EXPECT_FLOAT_EQ(v2.plugin.get_parameter(12), 0.25f);
  v2.plugin.set_parameter(12, 0.75f);
  const std::vector<uint8_t> from2 = v2.state();
  ASSERT_NE(from2, from3);
  vst3_side back;
  ASSERT_TRUE(back.plugin.load_state(from2));
  EXPECT_EQ(back.state(), from2);
  ASSERT_TRUE(back.plugin.load_controller_state(controller3));  // program 7 again
  EXPECT_FLOAT_EQ(float(back.plugin.controller()->getParamNormalized(12)), 0.75f);

  // As a host moving a VST 2 project hands it over: "VstW", "CcnK" bank record.
  std::vector<uint8_t> wrapped;
  auto be32 = [&](uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) wrapped.push_back(uint8_t(v >> s));
  };
  auto tag = [&](const char* t) { wrapped.insert(wrapped.end(), t, t + 4); };
  tag("VstW"), be32(8), be32(1), be32(0);
  tag("CcnK"), be32(uint32_t(152 + from3.size())), tag("FBCh"), be32(2), tag("2xvk"), be32(1), be32(128);
  wrapped.resize(wrapped.size() + 128, 0);
  be32(uint32_t(from3.size()));
  wrapped.insert(wrapped.end(), from3.begin(), from3.end());
  vst3_side migrated;
  ASSERT_TRUE(migrated.plugin.load_state(wrapped));
  EXPECT_EQ(migrated.state(), from3);
}

// Out-of-order calls and rubbish are refused and change nothing.
TEST(Vst3BadHost, CallsOutOfOrderAndRubbishChangeNothing) {
  vst3_side v3(false);
  IComponent* comp = v3.plugin.component();
  IAudioProcessor* proc = v3.plugin.processor();
  IEditController* c = v3.plugin.controller();
  const std::vector<uint8_t> before = v3.state();

  // process before setActive: nothing rendered, nothing written.
  std::vector<float> l(64, 7.f), r(64, 7.f);
  float* channels[2] = {l.data(), r.data()};
  AudioBusBuffers out{};
  out.numChannels = 2;
  out.channelBuffers32 = channels;
  ProcessData data{};
  data.numSamples = 64;
  data.numOutputs = 1;
  data.outputs = &out;
  EXPECT_EQ(proc->process(data), kResultFalse);
  EXPECT_EQ(l[0], 7.f);
  EXPECT_EQ(comp->setActive(1), kResultFalse);  // before setupProcessing
  EXPECT_EQ(comp->initialize(nullptr), kResultFalse);  // a second initialize

  // States: null, empty, short, rubbish, a chunk of another kind.
  EXPECT_EQ(comp->setState(nullptr), kInvalidArgument);
  EXPECT_EQ(comp->getState(nullptr), kInvalidArgument);
  EXPECT_EQ(c->setComponentState(nullptr), kInvalidArgument);
  const std::vector<std::vector<uint8_t>> rubbish = {
      {},
      {'v', 'o'},
      std::vector<uint8_t>(before.begin(), before.begin() + long(before.size() / 2)),
      std::vector<uint8_t>(5000, 0xA5),
      {'C', 'c', 'n', 'K', 0, 0, 0, 0, 'F', 'B', 'C', 'h'},
  };
  for (const auto& bytes : rubbish) {
    vst3host::memory_stream s(bytes);
    EXPECT_EQ(comp->setState(&s), kResultFalse) << bytes.size();
  }
  EXPECT_EQ(v3.state(), before);

  // Parameters that do not exist, values outside 0..1, null buffers.
  ParameterInfo info{};
  EXPECT_EQ(c->getParameterInfo(-1, info), kInvalidArgument);
  EXPECT_EQ(c->getParameterInfo(c->getParameterCount(), info), kInvalidArgument);
  char16 text[128] = {};
  EXPECT_EQ(c->getParamStringByValue(999, 0.5, text), kInvalidArgument);
  EXPECT_EQ(c->getParamStringByValue(0, 0.5, nullptr), kInvalidArgument);
  ParamValue v = 0.0;
  EXPECT_EQ(c->getParamValueByString(999, text, v), kInvalidArgument);
  EXPECT_EQ(c->setParamNormalized(999, 0.5), kInvalidArgument);
  EXPECT_EQ(c->setParamNormalized(0, std::nan("")), kInvalidArgument);
  EXPECT_EQ(c->setParamNormalized(0, 1.5), kInvalidArgument);
  EXPECT_EQ(c->getParamNormalized(999), 0.0);
  EXPECT_EQ(v3.state(), before);

  // Interfaces: unknown, null out-pointer.
  void* obj = reinterpret_cast<void*>(1);
  EXPECT_EQ(comp->queryInterface(iid::IPlugFrame.data(), &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(comp->queryInterface(iid::IComponent.data(), nullptr), kInvalidArgument);
  BusInfo bus{};
  EXPECT_EQ(comp->getBusInfo(kAudio, kOutput, 1, bus), kInvalidArgument);
  EXPECT_EQ(comp->getBusInfo(kAudio, kInput, 0, bus), kInvalidArgument);
  EXPECT_EQ(proc->canProcessSampleSize(kSample64), kResultFalse);

  // Set up and running: unknown IDs, rubbish values and bad notes in a
  // block are skipped; setupProcessing while active is refused.
  ASSERT_TRUE(v3.plugin.start(rate, block));
  ProcessSetup setup{kRealtime, kSample32, block, rate};
  EXPECT_EQ(proc->setupProcessing(setup), kResultFalse);
  v3.plugin.queue_parameter(0, 999, 0.5);
  v3.plugin.queue_parameter(0, 0x7FFFFFFF, 0.5);
  const uint8_t bad_note[3] = {0x90, 0x7F, 0x7F};
  v3.plugin.queue_midi(-50, bad_note, 3);
  v3.plugin.queue_midi(100000, bad_note, 3);
  ASSERT_TRUE(v3.plugin.process(l.data(), r.data(), 64));
  EXPECT_EQ(v3.state(), before);
  data.symbolicSampleSize = kSample64;
  EXPECT_EQ(proc->process(data), kResultFalse);
}

// A parameter flush (no samples, no buffers) applies the values at once.
TEST(Vst3Render, ParameterFlushAppliesValues) {
  const ParamID id = synth::p::filter_frequency;
  vst3_side v3;
  const ParamValue before = v3.plugin.controller()->getParamNormalized(id);
  const ParamValue wanted = before > 0.5 ? 0.25 : 0.75;
  vst3host::parameter_changes changes;
  changes.add(id, 0, wanted);
  ProcessData data{};
  data.inputParameterChanges = &changes;
  ASSERT_EQ(v3.plugin.process_raw(data), kResultOk);
  EXPECT_NEAR(v3.plugin.controller()->getParamNormalized(id), wanted, 1e-3);
}

}  // namespace
