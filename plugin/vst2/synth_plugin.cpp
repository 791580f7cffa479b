#include "plugin/vst2/synth_plugin.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "plugin/vst2/vst2_events.h"

namespace plugin {

namespace {

constexpr size_t shell_alignment = 65536;

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

// The large step of a stepped parameter, in values: an octave where a range
// spans more than two octaves' worth of values (the semitone tunings), else
// one value.
constexpr int32_t octave_steps = 12;
constexpr int32_t large_step_above = 2 * octave_steps;

// A stepped parameter of `values` values, as a host's 0..1 control: value k
// is k / (values - 1), the point get_parameter reports for it, and the
// instance's floor(n * (values - 1 + 0.999)) maps k / (values - 1) (and
// anything rounded a little either side of it) back to k.
void set_steps(int32_t values, VstParameterProperties* props) {
  const float step = 1.f / float(values - 1);
  props->stepFloat = step;
  props->smallStepFloat = step;
  props->largeStepFloat = values > large_step_above ? float(octave_steps) * step : step;
}

}  // namespace

synth_plugin* synth_plugin::allocate(audioMasterCallback host) {
  const size_t size = round_up_pow2(sizeof(synth_plugin));
  const size_t bytes = size < shell_alignment ? shell_alignment : size;
  // The aligned operator new rather than std::aligned_alloc, which the Windows
  // C runtime lacks.
  void* block = ::operator new(bytes, std::align_val_t(shell_alignment), std::nothrow);
  if (!block) return nullptr;
  std::memset(block, 0, bytes);
  synth_plugin* p = new (block) synth_plugin();
  if (host) p->set_host(host);
  return p;
}

synth_plugin* synth_plugin::attach(synth_plugin* p, plugin::instance* it) {
  if (!it) {
    delete p;
    return nullptr;
  }
  p->instance_ = it;
  if (!p->host()) return p;  // no host: only the base values
  AEffect* e = p->effect();
  if (editor_object* ed = it->editor()) {
    p->lend_editor(ed);
    e->flags |= effFlagsHasEditor;
  }
  e->numInputs = 0;
  e->numOutputs = 2;
  e->numPrograms = instance::program_count;
  e->numParams = instance::param_count;
  e->flags |= effFlagsProgramChunks | effFlagsIsSynth;
  p->set_plug_category(kPlugCategSynth);
  e->uniqueID = unique_id();
  return p;
}

synth_plugin* synth_plugin::create(audioMasterCallback host, editor_factory make_editor) {
  synth_plugin* p = allocate(host);
  if (!p) return nullptr;
  return attach(p, instance::create(p->shell_for_instance(), make_editor));
}

synth_plugin::~synth_plugin() {
  lend_editor(nullptr);  // the instance owns the editor and destroys it
  instance::destroy(instance_);
}

void synth_plugin::operator delete(void* p) { ::operator delete(p, std::align_val_t(shell_alignment)); }

void synth_plugin::set_sample_rate(float rate) { instance_->set_sample_rate(rate); }

void synth_plugin::set_program() { instance_->set_program(instance_->program()); }
void synth_plugin::select_program(int32_t index) { instance_->set_program(index); }
int32_t synth_plugin::current_program() const { return instance_ ? instance_->program() : 0; }

void synth_plugin::set_program_name(const char* text) { instance_->set_program_name(text); }

const char* synth_plugin::get_program_name(int32_t index) { return instance_->program_name(index); }

const char* synth_plugin::get_program_category(int32_t index) { return instance_->program_category(index); }

void synth_plugin::set_parameter(int32_t index, float normalised) { instance_->set_parameter(index, normalised); }

float synth_plugin::get_parameter(int32_t index) { return instance_->get_parameter(index); }

void synth_plugin::get_parameter_display(int32_t index, char* text) {
  instance_->parameter_text(index, text, parameter_text_capacity);
}

void synth_plugin::get_parameter_name(int32_t index, char* text) {
  parameter_shape shape;
  copy_text(text, instance_->parameter_info(index, shape) ? shape.name : "", parameter_text_capacity);
}

void synth_plugin::process_events(VstEvents* events) { queue_vst_events(*instance_, events); }

void synth_plugin::suspend_resume(bool was_on) {
  if (mains_on()) call_host(audioMasterWantMidi, 0, 1);
  instance_->set_active(mains_on());
}

// The edits the editor made since the last block reach the host first (for
// the hosts that take them only here; see vst2_shell.cpp).
void synth_plugin::process(float** inputs, float** outputs, int32_t frames, bool replacing) {
  if (!outputs) return;
  struct processing {
    vst2_shell& shell;
    explicit processing(vst2_shell& s) : shell(s) { shell.process_starts(); }
    ~processing() { shell.process_ends(); }
  } scope(shell_);
  instance_->process(outputs[0], outputs[1], frames, !replacing);
}

void synth_plugin::open() {
  if (host()) shell_.meet_host();
}

void synth_plugin::editor_idled() { shell_.editor_idled(); }

// The buffer handed out stays valid until the next get_chunk of the same kind
// (or effClose).
int32_t synth_plugin::get_chunk(void** data, bool is_preset) {
  size_t size = 0;
  const uint8_t* bytes = is_preset ? instance_->save_program(size) : instance_->save_state(size);
  if (data) *data = const_cast<uint8_t*>(bytes);
  return int32_t(size);
}

// Anything that is not a whole chunk of the expected kind changes nothing.
int32_t synth_plugin::set_chunk(void* data, int32_t size, bool is_preset) {
  if (!data || size <= 0) return 0;
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (is_preset) instance_->load_program(bytes, size_t(size));
  else instance_->load_state(bytes, size_t(size));
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
  std::snprintf(product, sizeof product, "Version %i", int(major_version));
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
  parameter_shape shape;
  if (!instance_->parameter_info(index, shape)) return false;
  props->stepFloat = shape.step;
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
  if (shape.values > 0) {
    set_steps(shape.values, props);
    props->flags = kVstParameterUsesFloatStep | (shape.values == 2 ? kVstParameterIsSwitch : 0);
  }
  return true;
}

}  // namespace plugin
