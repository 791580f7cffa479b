#include "plugin/synth_plugin.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "files/engine_presets.h"
#include "files/instance_state.h"
#include "files/preset_chunk.h"
#include "synth/param_table.h"

namespace plugin {

namespace {

constexpr size_t instance_alignment = 65536;

constexpr size_t round_up_pow2(size_t n) {
  size_t p = 1;
  while (p < n) p <<= 1;
  return p;
}

int32_t unique_id() {
  int32_t id;
  std::memcpy(&id, "kvx2", 4);  // the bytes read "kvx2" in memory order
  return id;
}

// Host step sizes for the continuous parameters: the cutoffs and LFO rates
// want finer steps than the rest.
float step_float_of(int32_t index) {
  if (index == synth::p::filter_frequency || index == synth::p::shflt_frequency) return 0.09375f;
  if (index == synth::p::mod_a_rate || index == synth::p::mod_b_rate) return 0.03125f;
  return 0.0625f;
}

// The large step of a stepped parameter, in values: an octave where a range
// spans more than two octaves' worth of values (the semitone tunings), else
// one value.
constexpr int32_t octave_steps = 12;
constexpr int32_t large_step_above = 2 * octave_steps;

// A stepped parameter of `values` values, as a host's 0..1 control: value k
// is k / (values - 1), the point get_parameter reports for it, and
// to_internal's floor(n * (values - 1 + 0.999)) maps k / (values - 1) (and
// anything rounded a little either side of it) back to k.
void set_steps(int32_t values, VstParameterProperties* props) {
  const float step = 1.f / float(values - 1);
  props->stepFloat = step;
  props->smallStepFloat = step;
  props->largeStepFloat = values > large_step_above ? float(octave_steps) * step : step;
}

}  // namespace

synth_plugin* synth_plugin::create(audioMasterCallback host, editor_factory make_editor) {
  const size_t size = round_up_pow2(sizeof(synth_plugin));
  const size_t bytes = size < instance_alignment ? instance_alignment : size;
  // The aligned operator new rather than std::aligned_alloc, which the Windows
  // C runtime lacks.
  void* block = ::operator new(bytes, std::align_val_t(instance_alignment), std::nothrow);
  if (!block) return nullptr;
  std::memset(block, 0, bytes);
  return new (block) synth_plugin(host, make_editor);
}

void synth_plugin::operator delete(void* p) { ::operator delete(p, std::align_val_t(instance_alignment)); }

synth_plugin::synth_plugin(audioMasterCallback host, editor_factory make_editor) {
  engine_.set_host(&host_link_);
  // VORN_ENGINE=reference: this instance plays through the reference engine
  // (the plain per-sample voice loop), for comparisons and benchmarks.
  const char* engine_choice = std::getenv("VORN_ENGINE");
  engine_.set_reference_engine(engine_choice && std::strcmp(engine_choice, "reference") == 0);
  if (!host) return;  // no host: only the base values, no start-up files
  set_host(host);
  AEffect* e = effect();
  if (editor_object* ed = make_editor ? make_editor(editor_connection()) : nullptr) {
    set_editor(ed);
    e->flags |= effFlagsHasEditor;
    // The state's "edtr" chunk is the editor's from now on.
    engine_.kept().editor_client = ed;
  }
  e->numInputs = 0;
  e->numOutputs = 2;
  e->numPrograms = synth::bank_size;
  e->numParams = synth::preset_param_count;
  e->flags |= effFlagsProgramChunks | effFlagsIsSynth;
  set_plug_category(kPlugCategSynth);
  e->uniqueID = unique_id();
  files::load_start_up_files(engine_);
  set_current_program_index(0);
  set_program();
}

void synth_plugin::set_sample_rate(float rate) { engine_.set_sample_rate(rate); }

void synth_plugin::set_program() { engine_.select_program(current_program()); }

void synth_plugin::set_program_name(const char* text) {
  engine_.set_program_name(current_program(), text);
}

const char* synth_plugin::get_program_name(int32_t index) {
  if (index < 0) index = current_program();
  if (index >= synth::bank_size) return nullptr;
  return engine_.program(index).name.c_str();
}

const char* synth_plugin::get_program_category(int32_t index) {
  if (index < 0) index = current_program();
  if (index >= synth::bank_size) return nullptr;
  return engine_.program(index).category.c_str();
}

void synth_plugin::set_parameter(int32_t index, float normalised) {
  // The host addresses 0..88; the editor the globals too. Both come here.
  // A host's value is a point of 0..1 whatever it sends: beyond it the
  // conversion would leave the parameter's table (3.0 is a fourth waveform
  // that does not exist), and NaN means nothing, so it changes nothing.
  if (!synth::param_valid(index) || std::isnan(normalised)) return;
  engine_.set_param_normalised(index, std::clamp(normalised, 0.f, 1.f));
}

float synth_plugin::get_parameter(int32_t index) { return engine_.get_param_normalised(index); }

void synth_plugin::get_parameter_display(int32_t index, char* text) {
  engine_.display_param(index, current_program(), text, parameter_text_capacity);
}

void synth_plugin::get_parameter_name(int32_t index, char* text) {
  if (!synth::param_valid(index)) {
    copy_text(text, "", parameter_text_capacity);
    return;
  }
  synth::full_name(index, text, parameter_text_capacity);
}

void synth_plugin::process_events(VstEvents* events) { events_.append(events); }

void synth_plugin::suspend_resume(bool was_on) {
  if (mains_on()) {
    call_host(audioMasterWantMidi, 0, 1);
    engine_.set_running(true);
  } else {
    if (was_on) reset_pending_ = 1;
    engine_.set_running(false);
  }
}

// The buffer handed out stays valid until the next get_chunk of the same kind
// (or effClose); it is reallocated only when the size changes.
int32_t synth_plugin::get_chunk(void** data, bool is_preset) {
  std::vector<uint8_t>& buffer = is_preset ? preset_chunk_ : state_chunk_;
  // Held across measuring and writing: MIDI learn on the audio thread may map
  // a controller in between, and the state would outgrow its buffer.
  platform::scoped_lock hold(engine_.engine_lock());
  const synth::preset& current = engine_.program(current_program());
  const uint32_t size = is_preset ? files::write_preset_chunk(nullptr, current) : files::write_state(nullptr, engine_);
  if (buffer.size() != size) buffer.resize(size);
  if (is_preset) {
    files::write_preset_chunk(buffer.data(), current);
  } else {
    files::write_state(buffer.data(), engine_);
  }
  if (data) *data = buffer.data();
  return int32_t(size);
}

// Anything that is not a whole chunk of the expected kind changes nothing.
int32_t synth_plugin::set_chunk(void* data, int32_t size, bool is_preset) {
  if (!data || size <= 0) return 0;
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (!is_preset) {
    files::read_state(bytes, size_t(size), engine_);
    return 0;
  }
  const riff::chunk_view c = riff::chunk_at(bytes, size_t(size));
  synth::preset p = engine_.program(current_program());
  if (!files::read_preset_chunk(c, p)) return 0;
  files::apply_preset(engine_, current_program(), p);
  engine_.raise_program_changed();
  engine_.raise_display_refresh();
  return 0;
}

bool synth_plugin::get_output_properties(int32_t index, VstPinProperties* props) {
  if (index < 0 || index > 1) return false;
  std::snprintf(props->label, sizeof props->label, "%s", "vorn");
  std::snprintf(props->shortLabel, sizeof props->shortLabel, "%s", "vorn");
  props->flags = kVstPinIsActive | kVstPinIsStereo | kVstPinUseSpeaker;
  props->arrangementType = kSpeakerArrStereo;
  return true;
}

bool synth_plugin::get_effect_name(char* text) {
  copy_text(text, "Vorn", effect_name_capacity);
  return true;
}

bool synth_plugin::get_vendor_string(char* text) {
  copy_text(text, "zelkarn", vendor_text_capacity);
  return true;
}

bool synth_plugin::get_product_string(char* text) {
  char product[vendor_text_capacity];
  std::snprintf(product, sizeof product, "Version %i", major_version);
  copy_text(text, product, vendor_text_capacity);
  return true;
}

int32_t synth_plugin::get_vendor_version() { return vendor_version; }

int32_t synth_plugin::can_do(const char* text) {
  if (std::strcmp(text, "receiveVstEvents") == 0 || std::strcmp(text, "receiveVstMidiEvent") == 0)
    return 1;
  return -1;
}

// Every parameter is a 0..1 control to the host. Stepped parameters announce
// float steps that land on each of their values, never their integer range:
// Ardour takes kVstParameterUsesIntegerMinMax as the control's value range
// and would send plain integers (2.0 for the third waveform). Only a
// parameter with exactly two values is a switch: hosts take the switch flag
// literally (Ardour shows a toggle and sends only 0 and 1).
bool synth_plugin::get_parameter_properties(int32_t index, VstParameterProperties* props) {
  if (!synth::param_valid(index)) return false;
  const synth::param_info& row = synth::param_row(index);
  props->stepFloat = step_float_of(index);
  props->smallStepFloat = 0.0625f;
  props->largeStepFloat = 1.f;
  props->stepInteger = 0;
  props->largeStepInteger = 0;
  props->minInteger = 0;
  props->maxInteger = 0;
  props->displayIndex = int16_t(index);
  props->numParametersInCategory = -1;
  props->category = 0;
  props->shortLabel[0] = '\0';
  props->categoryLabel[0] = '\0';
  props->flags = 0;
  if (row.is_integer) {
    const int32_t values = int32_t(row.max) - int32_t(row.min) + 1;
    set_steps(values, props);
    props->flags = kVstParameterUsesFloatStep | (values == 2 ? kVstParameterIsSwitch : 0);
  }
  return true;
}

}  // namespace plugin
