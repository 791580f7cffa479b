// The host boundary as a host sees it: vorn.so loaded through its exported
// entry with our host library, and the same classes driven directly where a
// test needs to look inside (reset flag, stored rate, allocation).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/utf8_path.h"
#include "plugin/vst2/synth_plugin.h"
#include "plugin/vst2/vst2.h"
#include "synth/param_table.h"
#include "tests/support/scratch.h"
#include "tools/vsthost/plugin_instance.h"
#include "tools/vsthost/plugin_library.h"

namespace {

class test_environment : public ::testing::Environment {
 public:
  void SetUp() override {
    dir_ = test_support::make_scratch_dir("vorn-plugin-test");
    test_support::set_environment("VORN_DATA_DIR", platform::utf8_text(dir_ / "data"));
    test_support::set_environment("VORN_CACHE_DIR", platform::utf8_text(dir_ / "cache"));
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  std::filesystem::path dir_;
};
const auto* const env = ::testing::AddGlobalTestEnvironment(new test_environment);

struct loaded {
  vsthost::plugin_library library;
  vsthost::plugin_instance instance;
};

std::unique_ptr<loaded> load_vorn() {
  auto l = std::make_unique<loaded>();
  std::string error;
  if (!l->library.open(VORN_PLUGIN_PATH, error)) {
    ADD_FAILURE() << error;
    return nullptr;
  }
  if (!l->instance.create(l->library, error)) {
    ADD_FAILURE() << error;
    return nullptr;
  }
  return l;
}

// A host buffer of `size` bytes followed by guard bytes that nothing may
// touch. The sizes are what hosts allocate: 24 for program names
// (kVstMaxProgNameLen), 24 for parameter texts (what plug-ins write in
// practice), 32 for the effect name, 64 for vendor and product.
template <size_t size = 24>
struct guarded_text {
  std::array<char, size + 32> bytes;
  guarded_text() { bytes.fill('\x5A'); }
  char* data() { return bytes.data(); }
  bool guard_intact() const {
    for (size_t i = size; i < bytes.size(); ++i)
      if (bytes[i] != '\x5A') return false;
    return true;
  }
  std::string text() const { return std::string(bytes.data(), strnlen(bytes.data(), size)); }
};

std::string four_chars(int32_t v) {
  char c[5] = {};
  std::memcpy(c, &v, 4);
  return c;
}

}  // namespace

TEST(plugin_identity, host_sees_the_instrument_as_specified) {
  auto l = load_vorn();
  ASSERT_TRUE(l);
  AEffect* e = l->instance.effect();
  EXPECT_EQ(e->magic, kEffectMagic);
  EXPECT_EQ(four_chars(e->magic), "PtsV");
  EXPECT_EQ(four_chars(e->uniqueID), "kvx2");
  EXPECT_EQ(e->version, 1);
  EXPECT_EQ(e->numPrograms, 128);
  EXPECT_EQ(e->numParams, 89);
  EXPECT_EQ(e->numInputs, 0);
  EXPECT_EQ(e->numOutputs, 2);
  // Replacing, program chunks and synth, and the editor, which every instance
  // with a host callback has.
  EXPECT_EQ(e->flags, 0x131);
  EXPECT_FLOAT_EQ(e->ioRatio, 1.f);
  EXPECT_EQ(e->object, nullptr);
  EXPECT_NE(e->user, nullptr);
  EXPECT_EQ(e->processDoubleReplacing, nullptr);
  EXPECT_NE(reinterpret_cast<void*>(e->process), reinterpret_cast<void*>(e->processReplacing));
  EXPECT_EQ(l->instance.effect_name(), "Vorn");
  EXPECT_EQ(l->instance.vendor(), "zelkarn");
  EXPECT_EQ(l->instance.product(), "Version 8");
  EXPECT_EQ(l->instance.vendor_version(), 134218608);
  EXPECT_EQ(l->instance.category(), 2);
  EXPECT_EQ(l->instance.vst_version(), 2400);
  int32_t id = int32_t(l->instance.dispatch(effIdentify));
  EXPECT_EQ(four_chars(id), "NvEf");
  EXPECT_TRUE(l->instance.requests().wants_midi || !l->instance.resumed());
}

TEST(plugin_identity, without_a_host_callback_only_the_base_values_are_set) {
  vsthost::plugin_library lib;
  std::string error;
  ASSERT_TRUE(lib.open(VORN_PLUGIN_PATH, error)) << error;
  AEffect* e = lib.entry()(nullptr);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->magic, kEffectMagic);
  EXPECT_EQ(e->flags, effFlagsCanReplacing);
  EXPECT_EQ(e->numPrograms, 0);
  EXPECT_EQ(e->numParams, 0);
  EXPECT_EQ(e->numOutputs, 0);
  EXPECT_EQ(e->uniqueID, 0);
  EXPECT_EQ(e->version, 1);
  EXPECT_EQ(e->dispatcher(e, effGetPlugCategory, 0, 0, nullptr, 0.f), 0);
  EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.f), 0);
}

TEST(plugin_dispatch, can_do_accepts_only_midi_input) {
  auto l = load_vorn();
  ASSERT_TRUE(l);
  EXPECT_EQ(l->instance.can_do("receiveVstEvents"), 1);
  EXPECT_EQ(l->instance.can_do("receiveVstMidiEvent"), 1);
  EXPECT_EQ(l->instance.can_do("sendVstEvents"), -1);
  EXPECT_EQ(l->instance.can_do("receiveVstMidiEvents"), -1);
  EXPECT_EQ(l->instance.can_do(""), -1);
  EXPECT_EQ(l->instance.dispatch(effCanDo, 0, 0, nullptr), -1);
}

TEST(plugin_dispatch, output_properties_for_two_pins_and_nothing_beyond) {
  auto l = load_vorn();
  ASSERT_TRUE(l);
  for (int pin = 0; pin < 2; ++pin) {
    VstPinProperties props{};
    EXPECT_EQ(l->instance.dispatch(effGetOutputProperties, pin, 0, &props), 1);
    EXPECT_STREQ(props.label, "vorn");
    EXPECT_STREQ(props.shortLabel, "vorn");
    EXPECT_EQ(props.flags, 7);
    EXPECT_EQ(props.arrangementType, 1);
  }
  VstPinProperties untouched;
  std::memset(&untouched, 0xA7, sizeof untouched);
  VstPinProperties copy = untouched;
  EXPECT_EQ(l->instance.dispatch(effGetOutputProperties, 2, 0, &untouched), 0);
  EXPECT_EQ(std::memcmp(&copy, &untouched, sizeof copy), 0);
  EXPECT_EQ(l->instance.dispatch(effGetOutputProperties, -1, 0, &untouched), 0);
  EXPECT_EQ(l->instance.dispatch(effGetOutputProperties, 0, 0, nullptr), 0);
  EXPECT_EQ(l->instance.dispatch(effGetInputProperties, 0, 0, &untouched), 0);
}

TEST(plugin_dispatch, parameter_properties_follow_the_parameter_table) {
  // Every parameter is a 0..1 control: no integer range a host could take
  // for the control's value range. Stepped parameters announce float steps
  // of one value (two-valued ones are switches); real parameters are
  // continuous with their own fine steps.
  auto l = load_vorn();
  ASSERT_TRUE(l);
  int switches = 0, stepped = 0;
  for (int index = 0; index < 89; ++index) {
    SCOPED_TRACE(index);
    const synth::param_info& row = synth::param_row(index);
    VstParameterProperties props;
    std::memset(&props, 0xA7, sizeof props);
    std::strcpy(props.label, "host");
    ASSERT_EQ(l->instance.dispatch(effGetParameterProperties, index, 0, &props), 1);
    EXPECT_EQ(props.displayIndex, index);
    EXPECT_EQ(props.numParametersInCategory, -1);
    EXPECT_STREQ(props.label, "host");  // left as the host passed it
    EXPECT_EQ(props.flags & (kVstParameterUsesIntegerMinMax | kVstParameterUsesIntStep), 0);
    EXPECT_EQ(props.minInteger, 0);
    EXPECT_EQ(props.maxInteger, 0);
    if (!row.is_integer) {
      EXPECT_EQ(props.flags, 0);
      EXPECT_FLOAT_EQ(props.smallStepFloat, 0.0625f);
      EXPECT_FLOAT_EQ(props.largeStepFloat, 1.f);
      continue;
    }
    const int values = int(row.max) - int(row.min) + 1;
    const float one_value = 1.f / float(values - 1);
    EXPECT_FLOAT_EQ(props.stepFloat, one_value);
    EXPECT_FLOAT_EQ(props.smallStepFloat, one_value);
    // An octave for the semitone tunings, else one value: a whole number of values either way.
    EXPECT_FLOAT_EQ(props.largeStepFloat, values > 24 ? 12.f * one_value : one_value);
    if (values == 2) {
      ++switches;
      EXPECT_EQ(props.flags, kVstParameterIsSwitch | kVstParameterUsesFloatStep);
    } else {
      ++stepped;
      EXPECT_EQ(props.flags, kVstParameterUsesFloatStep);
    }
  }
  EXPECT_EQ(switches, 6);
  EXPECT_EQ(stepped, 20);
  struct real_case {
    int index;
    float step;
  };
  VstParameterProperties props;
  for (real_case c : {real_case{41, 0.09375f}, {56, 0.09375f}, {73, 0.03125f}, {81, 0.03125f}, {0, 0.0625f}}) {
    SCOPED_TRACE(c.index);
    ASSERT_TRUE(l->instance.param_properties(c.index, props));
    EXPECT_FLOAT_EQ(props.stepFloat, c.step);
  }
  EXPECT_FALSE(l->instance.param_properties(-1, props));
  EXPECT_FALSE(l->instance.param_properties(106, props));
}

// The display texts of every value of a stepped parameter, in order, as a
// host stepping its control by stepFloat from 0 (accumulating the step as a
// float, the way a host's control does) sees them. Checks on the way that
// each step lands on the next value and the last one on 1.
std::vector<std::string> step_through(vsthost::plugin_instance& instance, int index) {
  const synth::param_info& row = synth::param_row(index);
  const int values = int(row.max) - int(row.min) + 1;
  VstParameterProperties props;
  EXPECT_TRUE(instance.param_properties(index, props));
  std::vector<std::string> texts;
  float n = 0.f;
  for (int k = 0; k < values; ++k, n += props.stepFloat) {
    instance.set_parameter(index, n);
    // The value reached is the k-th: get_parameter reports k / (values - 1).
    EXPECT_NEAR(instance.get_parameter(index), float(k) / float(values - 1), 1e-6f) << "step " << k;
    texts.push_back(instance.param_display(index));
  }
  EXPECT_NEAR(n - props.stepFloat, 1.f, 1e-5f) << "the last step ends at 1";
  EXPECT_EQ(instance.get_parameter(index), 1.f);
  return texts;
}

TEST(plugin_dispatch, stepping_by_the_announced_step_visits_every_value_in_order) {
  auto l = load_vorn();
  ASSERT_TRUE(l);
  for (int index = 0; index < 89; ++index) {
    const synth::param_info& row = synth::param_row(index);
    if (!row.is_integer) continue;
    SCOPED_TRACE(index);
    const std::vector<std::string> texts = step_through(l->instance, index);
    const std::set<std::string> distinct(texts.begin(), texts.end());
    EXPECT_EQ(distinct.size(), texts.size()) << "every step shows a value of its own";
    EXPECT_EQ(distinct.count("invalid"), 0u);
    // What a host sends for value v when it spreads the range evenly arrives as v too.
    const float span = row.max - row.min;
    for (int v = int(row.min); v <= int(row.max); ++v) {
      const float normalised = float(v - int(row.min)) / span;
      l->instance.set_parameter(index, normalised);
      ASSERT_FLOAT_EQ(l->instance.get_parameter(index), normalised) << v;
    }
  }
}

TEST(plugin_dispatch, no_host_value_puts_a_parameter_outside_its_table) {
  // Ardour sent plain integers once (2.0 for the third waveform, -12.0 for
  // Coarse -12); the values were stored, read back and saved. Whatever the
  // host sends, the value stays one of the parameter's own: beyond 0..1 it is
  // the nearest end, NaN changes nothing.
  auto l = load_vorn();
  ASSERT_TRUE(l);
  const float inf = std::numeric_limits<float>::infinity();
  for (int index = 0; index < 89; ++index) {
    const synth::param_info& row = synth::param_row(index);
    SCOPED_TRACE(index);
    std::set<std::string> valid;
    if (row.is_integer) {
      const std::vector<std::string> texts = step_through(l->instance, index);
      valid.insert(texts.begin(), texts.end());
    } else {
      for (float n : {0.f, 1.f}) {
        l->instance.set_parameter(index, n);
        valid.insert(l->instance.param_display(index));
      }
    }
    l->instance.set_parameter(index, 0.f);
    struct sent {
      float value, expected;
    };
    for (sent s : {sent{2.f, 1.f}, {-12.f, 0.f}, {inf, 1.f}, {-inf, 0.f}, {std::nanf(""), 0.f}, {1.0000001f, 1.f},
                   {-1e-7f, 0.f}}) {
      SCOPED_TRACE(s.value);
      l->instance.set_parameter(index, s.value);
      const float back = l->instance.get_parameter(index);
      EXPECT_EQ(back, s.expected);
      EXPECT_GE(back, 0.f);
      EXPECT_LE(back, 1.f);
      EXPECT_EQ(valid.count(l->instance.param_display(index)), 1u) << l->instance.param_display(index);
    }
    // NaN leaves any value as it was, not only 0.
    l->instance.set_parameter(index, 1.f);
    l->instance.set_parameter(index, std::nanf(""));
    EXPECT_EQ(l->instance.get_parameter(index), 1.f);
  }
}

TEST(plugin_dispatch, programs_have_names_and_bounded_indices) {
  auto l = load_vorn();
  ASSERT_TRUE(l);
  for (int i = 0; i < 128; ++i) EXPECT_EQ(l->instance.program_name(i), "Init") << i;
  guarded_text<> t;
  EXPECT_EQ(l->instance.dispatch(effGetProgramNameIndexed, 5, 0, t.data()), 1);
  EXPECT_EQ(l->instance.dispatch(effGetProgramNameIndexed, 128, 0, t.data()), 0);
  EXPECT_EQ(l->instance.dispatch(effGetProgramNameIndexed, 1000000, 0, t.data()), 0);
  l->instance.set_program(7);
  EXPECT_EQ(l->instance.program(), 7);
  l->instance.set_program(128);  // rejected: nothing changes
  EXPECT_EQ(l->instance.program(), 7);
  l->instance.dispatch(effSetProgram, 0, -3);
  EXPECT_EQ(l->instance.program(), 7);

  std::string long_name(100, 'x');
  long_name[0] = 'L';
  l->instance.dispatch(effSetProgramName, 0, 0, long_name.data());
  // The bank keeps 63 characters; a host's 24-byte buffer gets 23 of them.
  guarded_text<> name;
  EXPECT_EQ(l->instance.dispatch(effGetProgramName, 0, 0, name.data()), 0);
  EXPECT_EQ(name.text(), long_name.substr(0, 23));
  EXPECT_TRUE(name.guard_intact());
  guarded_text<> indexed;
  EXPECT_EQ(l->instance.dispatch(effGetProgramNameIndexed, 7, 0, indexed.data()), 1);
  EXPECT_EQ(indexed.text(), long_name.substr(0, 23));
  EXPECT_TRUE(indexed.guard_intact());
  EXPECT_EQ(l->instance.program_name(6), "Init");  // other programs keep their names
}

TEST(plugin_dispatch, parameter_texts_and_values_through_the_host_calls) {
  auto l = load_vorn();
  ASSERT_TRUE(l);
  EXPECT_EQ(l->instance.param_name(0), "Volume");
  EXPECT_EQ(l->instance.param_name(41), "Filter Frequency");
  EXPECT_EQ(l->instance.param_name(25), "Osc B Xmod");
  EXPECT_EQ(l->instance.param_label(41), "");
  l->instance.set_parameter(27, 0.5f);
  EXPECT_EQ(l->instance.param_display(27), "+0");
  l->instance.set_parameter(27, 1.f);
  EXPECT_EQ(l->instance.param_display(27), "+36");
  EXPECT_FLOAT_EQ(l->instance.get_parameter(27), 1.f);
  l->instance.set_parameter(4, 0.25f);  // Panning -0.5
  EXPECT_EQ(l->instance.param_display(4), "-50.0");
  l->instance.set_parameter(4, 0.5f);
  EXPECT_EQ(l->instance.param_display(4), "Center");
  l->instance.set_parameter(59, 0.f);
  EXPECT_EQ(l->instance.param_display(59), "100 us");
  // Integers outside [0, 1] use the plain range, without the extension.
  l->instance.set_parameter(16, 1.f);
  EXPECT_FLOAT_EQ(l->instance.get_parameter(16), 1.f);
}

TEST(plugin_bad_input, null_pointers_and_wild_indices_are_harmless) {
  auto l = load_vorn();
  ASSERT_TRUE(l);
  auto& in = l->instance;
  for (int32_t op : {effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName,
                     effGetEffectName, effGetVendorString, effGetProductString, effSetProgramName,
                     effGetProgramNameIndexed, effGetChunk, effSetChunk, effProcessEvents,
                     effGetParameterProperties, effGetOutputProperties, effEditGetRect, effEditOpen}) {
    SCOPED_TRACE(op);
    in.dispatch(op, 0, 0, nullptr);
    in.dispatch(op, -5, -5, nullptr);
  }
  for (int32_t index : {-1000000, -1, 106, 1000000}) {
    SCOPED_TRACE(index);
    guarded_text<> t;
    in.dispatch(effGetParamDisplay, index, 0, t.data());
    EXPECT_TRUE(t.guard_intact());
    guarded_text<> n;
    in.dispatch(effGetParamName, index, 0, n.data());
    EXPECT_TRUE(n.guard_intact());
    AEffect* e = in.effect();
    e->setParameter(e, index, 0.5f);
    EXPECT_EQ(e->getParameter(e, index), 0.f);
  }
  for (int32_t op = 62; op < 90; ++op) EXPECT_EQ(in.dispatch(op, 1, 1, nullptr), 0) << op;
  in.set_sample_rate(0.0);
  in.resume();
  float left[64], right[64];
  ASSERT_TRUE(in.process(left, right, 64));
  for (int i = 0; i < 64; ++i) ASSERT_TRUE(std::isfinite(left[i]) && std::isfinite(right[i]));
  EXPECT_TRUE(in.process(left, right, 0));
}

TEST(plugin_dispatch, every_text_fits_the_buffer_hosts_allocate) {
  auto l = load_vorn();
  ASSERT_TRUE(l);
  for (int index = 0; index < 89; ++index) {
    SCOPED_TRACE(index);
    guarded_text<> name;
    l->instance.dispatch(effGetParamName, index, 0, name.data());
    EXPECT_TRUE(name.guard_intact());
    EXPECT_LT(name.text().size(), 23u);  // whole, not cut
    for (float v : {0.f, 0.37f, 1.f}) {
      l->instance.set_parameter(index, v);
      guarded_text<> t;
      l->instance.dispatch(effGetParamDisplay, index, 0, t.data());
      EXPECT_TRUE(t.guard_intact());
      EXPECT_FALSE(t.text().empty());
      EXPECT_LT(t.text().size(), 23u);
    }
  }
  guarded_text<32> effect_name;
  EXPECT_EQ(l->instance.dispatch(effGetEffectName, 0, 0, effect_name.data()), 1);
  EXPECT_TRUE(effect_name.guard_intact());
  for (int32_t op : {effGetVendorString, effGetProductString}) {
    guarded_text<64> t;
    EXPECT_EQ(l->instance.dispatch(op, 0, 0, t.data()), 1);
    EXPECT_TRUE(t.guard_intact());
  }
}

// --- inside the instance --------------------------------------------------------

namespace {

struct callback_log {
  int want_midi = 0;
  int automate = 0;
  int32_t automate_index = -1;
  float automate_value = 0.f;
  int can_do_size = 0;
  int size_window = 0;
};
callback_log g_log;

intptr_t VST_CALL test_host(AEffect*, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterWantMidi: ++g_log.want_midi; return 1;
    case audioMasterAutomate:
      ++g_log.automate;
      g_log.automate_index = index;
      g_log.automate_value = opt;
      return 0;
    case audioMasterCanDo:
      ++g_log.can_do_size;
      return ptr && std::strcmp(static_cast<const char*>(ptr), "sizeWindow") == 0 ? 1 : 0;
    case audioMasterSizeWindow: ++g_log.size_window; return 1;
    default: return 0;
  }
}


}  // namespace

TEST(plugin_instance, block_is_aligned_and_found_even_when_user_is_overwritten) {
  g_log = {};
  plugin::synth_plugin* p = plugin::synth_plugin::create(test_host);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 65536, 0u);
  AEffect* e = p->effect();
  e->user = reinterpret_cast<void*>(uintptr_t(0xDEADBEEF));  // an older host's habit
  e->resvd1 = 12345;
  e->dispatcher(e, effSetProgram, 0, 3, nullptr, 0.f);
  EXPECT_EQ(e->dispatcher(e, effGetProgram, 0, 0, nullptr, 0.f), 3);
  EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.f), 0);
}

TEST(plugin_instance, mains_off_after_running_raises_reset_once) {
  g_log = {};
  plugin::synth_plugin* p = plugin::synth_plugin::create(test_host);
  ASSERT_NE(p, nullptr);
  AEffect* e = p->effect();
  EXPECT_FALSE(p->reset_pending());
  e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0.f);  // off while off: nothing
  EXPECT_FALSE(p->reset_pending());
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.f);
  EXPECT_EQ(g_log.want_midi, 1);
  EXPECT_TRUE(p->engine().running());
  e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0.f);
  EXPECT_TRUE(p->reset_pending());
  EXPECT_FALSE(p->engine().running());
  float l[16], r[16];
  float* out[2] = {l, r};
  e->processReplacing(e, nullptr, out, 16);  // consumes the reset
  EXPECT_FALSE(p->reset_pending());
  e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0.f);  // second off: no new reset
  EXPECT_FALSE(p->reset_pending());
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.f);
}

TEST(plugin_instance, sample_rate_and_block_size_pass_on_only_when_changed) {
  plugin::synth_plugin* p = plugin::synth_plugin::create(test_host);
  AEffect* e = p->effect();
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.f);
  EXPECT_FLOAT_EQ(p->sample_rate(), 48000.f);
  EXPECT_FLOAT_EQ(p->engine().sample_rate(), 48000.f);
  p->engine().set_sample_rate(44100.f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.f);  // same as stored: nothing
  EXPECT_FLOAT_EQ(p->engine().sample_rate(), 44100.f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 0.f);  // stored, but the engine keeps a usable rate
  EXPECT_FLOAT_EQ(p->sample_rate(), 0.f);
  EXPECT_FLOAT_EQ(p->engine().sample_rate(), 44100.f);
  e->dispatcher(e, effSetBlockSize, 0, 256, nullptr, 0.f);
  EXPECT_EQ(p->block_size(), 256);
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.f);
}

TEST(plugin_instance, host_link_automates_and_sizes_the_window_through_the_host) {
  g_log = {};
  plugin::synth_plugin* p = plugin::synth_plugin::create(test_host);
  p->link().set_parameter_automated(3, 0.75f);
  EXPECT_EQ(g_log.automate, 1);
  EXPECT_EQ(g_log.automate_index, 3);
  EXPECT_FLOAT_EQ(g_log.automate_value, 0.75f);
  EXPECT_NEAR(p->get_parameter(3), 0.75f, 1e-6f);
  EXPECT_TRUE(p->link().size_window(640, 480));
  EXPECT_EQ(g_log.size_window, 1);
  p->link().set_program(9);
  EXPECT_EQ(p->current_program(), 9);
  EXPECT_EQ(p->engine().current_program(), 9);
  p->effect()->dispatcher(p->effect(), effClose, 0, 0, nullptr, 0.f);
}

TEST(plugin_instance, start_up_files_present_or_absent_change_nothing) {
  const char* dir = std::getenv("VORN_DATA_DIR");
  ASSERT_NE(dir, nullptr);
  std::filesystem::create_directories(dir);
  std::ofstream(std::string(dir) + "/init.vornbank") << "not a bank";
  std::ofstream(std::string(dir) + "/init.vornstate") << "garbage";
  plugin::synth_plugin* p = plugin::synth_plugin::create(test_host);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::string(p->get_program_name(0)), "Init");
  EXPECT_EQ(p->current_program(), 0);
  p->effect()->dispatcher(p->effect(), effClose, 0, 0, nullptr, 0.f);
}
