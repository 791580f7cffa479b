#include "plugin/vst2/effect_base.h"

#include <cstring>
#include <thread>

#include "platform/fp_mode.h"
#include "platform/last_resort.h"

namespace plugin {

namespace {

constexpr int32_t identify_value = 0x6645764E;  // bytes "NvEf" in memory order
constexpr int32_t wheel_code = vst_fourcc('W', 'h', 'e', 'e');
// The content scale request of the hosts that scale plug-in windows for
// high-density screens (index 'PreS', value 'AeCs', the factor in opt).
constexpr int32_t content_scale_index = vst_fourcc('P', 'r', 'e', 'S');
constexpr int32_t content_scale_value = vst_fourcc('A', 'e', 'C', 's');
constexpr int32_t version_of_effect = 1;

// Every host call ends in a last-resort handler (platform/last_resort.h): an
// exception that gets this far is a fault of ours, and the host must not
// pay for it with its process. The neutral results: 0 from the dispatcher
// and getParameter, silence from the processing calls, nothing changed by
// setParameter.
intptr_t VST_CALL dispatcher_trampoline(AEffect* e, int32_t opcode, int32_t index, intptr_t value,
                                         void* ptr, float opt) {
  platform::scoped_fp_mode fp_mode(platform::control_fp_mode);
  return platform::last_resort("dispatcher", intptr_t(0), [&]() -> intptr_t {
    effect_base* self = effect_base::from(e);
    if (!self) return 0;
    if (opcode == effClose) {
      self->close();
      delete self;  // the instance's operator delete frees its aligned block
      return 0;
    }
    return self->dispatch(opcode, index, value, ptr, opt);
  });
}

void process_guarded(const char* entry, AEffect* e, float** in, float** out, int32_t frames, bool replacing) {
  const bool done = platform::last_resort_done(entry, [&] {
    if (effect_base* self = effect_base::from(e)) self->process(in, out, frames, replacing);
  });
  if (done || !e || !out || frames <= 0) return;
  // Whatever the block held when it failed is not sound: silence instead.
  for (int32_t c = 0; c < e->numOutputs; ++c)
    if (out[c]) std::memset(out[c], 0, sizeof(float) * size_t(frames));
}

void VST_CALL process_replacing_trampoline(AEffect* e, float** in, float** out, int32_t frames) {
  process_guarded("processReplacing call", e, in, out, frames, true);
}

// The old accumulating entry adds into the outputs, unless the host handed the
// same buffers as inputs and outputs: then adding would double its own input.
void VST_CALL process_trampoline(AEffect* e, float** in, float** out, int32_t frames) {
  process_guarded("process call", e, in, out, frames, in == out);
}

void VST_CALL set_parameter_trampoline(AEffect* e, int32_t index, float value) {
  platform::scoped_fp_mode fp_mode(platform::control_fp_mode);
  platform::last_resort_done("setParameter call", [&] {
    if (effect_base* self = effect_base::from(e)) self->set_parameter(index, value);
  });
}

float VST_CALL get_parameter_trampoline(AEffect* e, int32_t index) {
  platform::scoped_fp_mode fp_mode(platform::control_fp_mode);
  return platform::last_resort("getParameter call", 0.f, [&] {
    effect_base* self = effect_base::from(e);
    return self ? self->get_parameter(index) : 0.f;
  });
}

}  // namespace

effect_base::effect_base() {
  AEffect& e = record_.effect;
  e.magic = kEffectMagic;
  e.dispatcher = dispatcher_trampoline;
  e.process = process_trampoline;
  e.setParameter = set_parameter_trampoline;
  e.getParameter = get_parameter_trampoline;
  e.processReplacing = process_replacing_trampoline;
  e.processDoubleReplacing = nullptr;
  e.flags = effFlagsCanReplacing;
  e.ioRatio = 1.f;
  e.user = this;
  e.version = version_of_effect;
  record_.owner = this;
}

effect_base::~effect_base() {
  if (owns_editor_) delete editor_;
}

effect_base* effect_base::from(AEffect* e) {
  if (!e) return nullptr;
  return reinterpret_cast<effect_record*>(e)->owner;
}

intptr_t effect_base::call_host(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  return host_ ? host_(effect(), opcode, index, value, ptr, opt) : 0;
}

void effect_base::set_parameter_automated(int32_t index, float normalised) {
  set_parameter(index, normalised);
  call_host(audioMasterAutomate, index, 0, nullptr, normalised);
}

void effect_base::get_parameter_label(int32_t, char* text) { copy_text(text, "", parameter_text_capacity); }
void effect_base::get_parameter_display(int32_t, char* text) { copy_text(text, "", parameter_text_capacity); }
void effect_base::get_parameter_name(int32_t, char* text) { copy_text(text, "", parameter_text_capacity); }

intptr_t effect_base::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  char* text = static_cast<char*>(ptr);
  // A host that never sends effEditIdle still makes calls on the editor's
  // thread: the editor runs its events from them (it ignores other threads).
  if (editor_open_ && opcode != effEditIdle && opcode != effEditClose && opcode != effEditOpen)
    editor_->host_call();
  switch (opcode) {
    case effOpen:
      open();
      return 0;
    case effSetProgram:
      // The bank holds programs 0..127; anything else leaves the instance as it is.
      if (value >= 0 && value < 128) select_program(int32_t(value));
      return 0;
    case effGetProgram:
      return current_program();
    case effSetProgramName:
      if (ptr) set_program_name(text);
      return 0;
    case effGetProgramName:
      copy_text(text, get_program_name(-1), program_name_capacity);
      return 0;
    case effGetParamLabel:
      get_parameter_label(index, text);
      return 0;
    case effGetParamDisplay:
      if (text) get_parameter_display(index, text);
      return 0;
    case effGetParamName:
      if (text) get_parameter_name(index, text);
      return 0;
    case effSetSampleRate:
      if (opt != sample_rate_) {
        sample_rate_ = opt;
        set_sample_rate(opt);
      }
      return 0;
    case effSetBlockSize:
      if (int32_t(value) != block_size_) {
        block_size_ = int32_t(value);
        set_block_size(block_size_);
      }
      return 0;
    case effMainsChanged: {
      bool was_on = mains_on_;
      mains_on_ = value != 0;
      suspend_resume(was_on);
      return 0;
    }
    case effEditGetRect: {
      if (!editor_) return 0;
      int32_t w = 0, h = 0;
      editor_->size(w, h);
      editor_rect_ = ERect{0, 0, int16_t(h), int16_t(w)};
      if (ptr) *static_cast<ERect**>(ptr) = &editor_rect_;
      return 1;
    }
    case effEditOpen:
      if (!editor_) return 0;
      if (editor_open_) editor_->close();  // a second open without a close moves the window
      editor_open_ = editor_->open(ptr);
      return editor_open_ ? 1 : 0;
    case effEditClose:
      editor_open_ = false;
      if (editor_) {
        // A host may close from another thread while an idle call runs; a
        // close from within the idle call itself (the same thread) is put
        // off by the editor until its idle returns.
        while (editor_idle_busy_ && std::this_thread::get_id() != idle_thread_) std::this_thread::yield();
        editor_->close();
        editor_idled();
      }
      return 0;
    case effEditIdle:
      if (editor_ && editor_open_ && !editor_idle_busy_.exchange(true)) {
        // Dropped however idle ends (an exception stops at the dispatcher's
        // handler): a flag left up would make every later close wait forever.
        struct idle_scope {
          effect_base& self;
          ~idle_scope() {
            self.idle_thread_ = std::thread::id();
            self.editor_idle_busy_ = false;
          }
        } scope{*this};
        idle_thread_ = std::this_thread::get_id();
        editor_->idle();
        editor_idled();
      }
      return 0;
    case effIdentify:
      return identify_value;
    case effGetChunk:
      if (!ptr) return 0;
      return get_chunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk:
      return set_chunk(ptr, int32_t(value), index != 0);
    case effProcessEvents:
      process_events(static_cast<VstEvents*>(ptr));
      return 1;
    case effCanBeAutomated:
      return 1;
    case effGetProgramNameIndexed: {
      if (index > 127) {
        copy_text(text, "", program_name_capacity);
        return 0;
      }
      const char* name = get_program_name(index);
      copy_text(text, name, program_name_capacity);
      return name && name[0] ? 1 : 0;
    }
    case effGetInputProperties:
      return 0;
    case effGetOutputProperties:
      return ptr && get_output_properties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetPlugCategory:
      return plug_category_;
    case effProcessVarIo:
      return 0;
    case effGetEffectName:
      return ptr && get_effect_name(text) ? 1 : 0;
    case effGetVendorString:
      return ptr && get_vendor_string(text) ? 1 : 0;
    case effGetProductString:
      return ptr && get_product_string(text) ? 1 : 0;
    case effGetVendorVersion:
      return get_vendor_version();
    case effVendorSpecific:
      if (editor_ && (index == wheel_code || value == wheel_code)) {
        editor_->wheel(opt);
        return 1;
      }
      if (editor_ && index == content_scale_index && value == content_scale_value) {
        editor_->set_content_scale(opt);
        return 1;
      }
      return vendor_specific(index, value, ptr, opt);
    case effCanDo:
      return ptr ? can_do(text) : -1;
    case effGetTailSize:
      return get_tail_size();
    case effGetParameterProperties:
      return ptr && get_parameter_properties(index, static_cast<VstParameterProperties*>(ptr)) ? 1 : 0;
    case effGetVstVersion:
      return get_vst_version();
    case effSetEditKnobMode:
      return 0;
    default:
      return 0;
  }
}

}  // namespace plugin
