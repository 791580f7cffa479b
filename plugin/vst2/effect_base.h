// The VST 2.4 instance base: owns the AEffect record the host sees and maps the
// host's calls onto virtual operations. Calls arrive on the host's threads:
// process on the audio thread, everything else on its user-interface thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>

#include "plugin/copy_text.h"
#include "plugin/editor_object.h"
#include "plugin/vst2/vst2.h"

namespace plugin {

class effect_base;

// The AEffect handed to the host, followed by the owner. Hosts write fields of
// AEffect (reserved1/2, and some overwrite `user` right after the entry
// returns); none writes past it, so the owner pointer that follows survives and
// the trampolines find their instance from the AEffect address alone.
struct effect_record {
  AEffect effect;
  effect_base* owner;
};
static_assert(offsetof(effect_record, effect) == 0, "AEffect first, so its address is the record's");

class effect_base {
 public:
  effect_base();
  virtual ~effect_base();
  effect_base(const effect_base&) = delete;
  effect_base& operator=(const effect_base&) = delete;

  // The instance behind a host's AEffect pointer, or null for null.
  static effect_base* from(AEffect* e);
  AEffect* effect() { return &record_.effect; }

  virtual void process(float** inputs, float** outputs, int32_t frames, bool replacing) = 0;
  virtual void open() {}
  virtual void close() {}
  // After each effEditIdle that ran the editor, and after effEditClose, on
  // the thread that made the call.
  virtual void editor_idled() {}
  virtual void set_block_size(int32_t) {}
  virtual void set_sample_rate(float) {}
  virtual void set_program() {}
  // effSetProgram with a program of the bank (0..127): by default it is
  // stored and set_program() selects it.
  virtual void select_program(int32_t index) {
    current_program_ = index;
    set_program();
  }
  virtual void set_program_name(const char*) {}
  // Name of program index (index < 0: the current one); null when none.
  virtual const char* get_program_name(int32_t index) { return nullptr; }
  virtual const char* get_program_category(int32_t index) { return nullptr; }
  virtual void set_parameter(int32_t index, float normalised) {}
  virtual void set_parameter_automated(int32_t index, float normalised);
  virtual float get_parameter(int32_t index) { return 0.f; }
  virtual float unused_float_query() { return 0.f; }
  virtual void get_parameter_label(int32_t index, char* text);
  virtual void get_parameter_display(int32_t index, char* text);
  virtual void get_parameter_name(int32_t index, char* text);
  virtual void process_events(VstEvents* events) {}
  virtual void suspend_resume(bool was_on) {}
  virtual int32_t get_chunk(void** data, bool is_preset) { return 0; }
  virtual int32_t set_chunk(void* data, int32_t size, bool is_preset) { return 0; }
  virtual bool get_input_properties(int32_t index, VstPinProperties* props) { return false; }
  virtual bool get_output_properties(int32_t index, VstPinProperties* props) { return false; }
  virtual bool get_effect_name(char* text) { return false; }
  virtual bool get_vendor_string(char* text) { return false; }
  virtual bool get_product_string(char* text) { return false; }
  virtual int32_t get_vendor_version() { return 0; }
  virtual intptr_t vendor_specific(int32_t index, intptr_t value, void* ptr, float opt) { return 0; }
  virtual int32_t can_do(const char* text) { return -1; }
  virtual int32_t get_tail_size() { return 0; }
  virtual bool get_parameter_properties(int32_t index, VstParameterProperties* props) { return false; }
  virtual int32_t get_vst_version() { return kVstVersion; }
  virtual bool process_var_io(void*) { return false; }

  // The dispatcher's opcode table; effClose is handled by the trampoline,
  // which deletes the instance afterwards.
  intptr_t dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
  bool editor_open() const { return editor_open_; }

  float sample_rate() const { return sample_rate_; }
  int32_t block_size() const { return block_size_; }
  bool mains_on() const { return mains_on_; }
  virtual int32_t current_program() const { return current_program_; }
  audioMasterCallback host() const { return host_; }
  intptr_t call_host(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                     float opt = 0.f);

 protected:
  void set_host(audioMasterCallback host) { host_ = host; }
  void set_plug_category(int32_t c) { plug_category_ = c; }
  editor_object* editor() const { return editor_; }
  // Takes ownership; the editor is destroyed with the instance, after the
  // derived instance's members.
  void set_editor(editor_object* e) {
    editor_ = e;
    owns_editor_ = true;
  }
  // An editor someone else owns and destroys (after the host's effClose).
  void lend_editor(editor_object* e) {
    editor_ = e;
    owns_editor_ = false;
  }

 private:
  float sample_rate_ = 0.f;
  int32_t block_size_ = 0;
  bool mains_on_ = false;
  effect_record record_{};
  audioMasterCallback host_ = nullptr;
  // Read by dispatcher calls from any thread (hosts send effProcessEvents from
  // the audio thread), hence atomic; both change on the editor's thread only.
  std::atomic<bool> editor_open_{false};
  std::atomic<bool> editor_idle_busy_{false};
  std::atomic<std::thread::id> idle_thread_{};
  int32_t current_program_ = 0;
  ERect editor_rect_{};
  editor_object* editor_ = nullptr;
  bool owns_editor_ = true;
  int32_t plug_category_ = kPlugCategUnknown;
};

// Bytes written into host text buffers, terminator included, by kind of
// text. Hosts allocate what their own code uses, not the nominal lengths,
// and a host that allocates exactly the nominal length must not be overrun:
// - program names: kVstMaxProgNameLen (24). Hosts that keep a name table
//   allocate exactly that; our names (up to 63 characters in the bank and
//   in files) are cut only on the way out.
// - parameter name, label and display: nominally 8, but every host in use
//   allocates 64 or more and plug-ins write 24 to 33 (JUCE 25, DPF 24); 24
//   holds every text we have (longest name 17, longest display 14).
// - effect name: kVstMaxEffectNameLen (32); vendor and product: 64.
constexpr size_t program_name_capacity = kVstMaxProgNameLen;
constexpr size_t parameter_text_capacity = 24;
constexpr size_t effect_name_capacity = kVstMaxEffectNameLen;
constexpr size_t vendor_text_capacity = kVstMaxVendorStrLen;

}  // namespace plugin
