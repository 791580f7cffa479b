// The controller side: the exported parameters, their texts, the program
// list, the MIDI controller mapping, and the instance's edits reported to
// the host.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "platform/fp_mode.h"
#include "plugin/vst3/plug_view.h"
#include "plugin/vst3/text16.h"
#include "plugin/vst3/vst3_plugin.h"

namespace vst3_shell {

namespace {

using namespace vst3;

constexpr int32_t last_program = plugin::instance::program_count - 1;
constexpr size_t text_capacity = 128;

const char* const control_names[] = {"Channel Pressure", "Pitch Bend"};

int32_t program_of(ParamValue normalised) {
  return std::clamp(int32_t(std::lround(normalised * last_program)), 0, last_program);
}

// The number of steps of a sound parameter (0: continuous).
int32_t step_count_of(const plugin::parameter_shape& shape) { return shape.values > 1 ? shape.values - 1 : 0; }

}  // namespace

int32 VST3_CALL vst3_plugin::getParameterCount() { return initialized_ ? int32(exported_param_count) : 0; }

tresult VST3_CALL vst3_plugin::getParameterInfo(int32 index, ParameterInfo& info) {
  const ParamID id = param_id_at(index);
  if (!initialized_ || id == kNoParamId) return kInvalidArgument;
  info = ParameterInfo{};
  info.id = id;
  info.unitId = kRootUnitId;
  char title[64];
  if (is_sound_param(id)) {
    platform::scoped_fp_mode fp_mode(platform::control_fp_mode);
    plugin::parameter_shape shape;
    if (!instance_->parameter_info(int32_t(id), shape)) return kInvalidArgument;
    copy_to_utf16(info.title, text_capacity, shape.name);
    copy_to_utf16(info.shortTitle, text_capacity, shape.name);
    copy_to_utf16(info.units, text_capacity, shape.unit);
    info.stepCount = step_count_of(shape);
    info.defaultNormalizedValue = shape.default_normalised;
    info.flags = kCanAutomate | (info.stepCount > 0 ? kIsList : 0);
    return kResultOk;
  }
  if (id == program_param_id) {
    copy_to_utf16(info.title, text_capacity, "Program");
    copy_to_utf16(info.shortTitle, text_capacity, "Program");
    info.stepCount = last_program;
    info.flags = kIsProgramChange | kIsList;
    return kResultOk;
  }
  const uint32_t slot = id - midi_param_first;
  const int32_t channel = int32_t(slot / midi_controls) + 1;
  const int32_t control = int32_t(slot % midi_controls);
  if (control < 128)
    std::snprintf(title, sizeof title, "MIDI CC %d|%d", channel, control);
  else
    std::snprintf(title, sizeof title, "MIDI %s|%d", control_names[control - 128], channel);
  copy_to_utf16(info.title, text_capacity, title);
  copy_to_utf16(info.shortTitle, text_capacity, title);
  info.stepCount = control == pitch_bend_control ? 16383 : 127;
  info.defaultNormalizedValue = control == pitch_bend_control ? 0.5 : 0.0;
  info.flags = kIsHidden;
  return kResultOk;
}

tresult VST3_CALL vst3_plugin::getParamStringByValue(ParamID id, ParamValue normalized, char16* text) {
  if (!text || !initialized_) return kInvalidArgument;
  if (!(normalized >= 0.0)) normalized = 0.0;
  normalized = std::min(normalized, 1.0);
  char out[64];
  if (is_sound_param(id)) {
    platform::scoped_fp_mode fp_mode(platform::control_fp_mode);
    if (!instance_->parameter_text_of(int32_t(id), float(normalized), out, sizeof out)) return kResultFalse;
  } else if (id == program_param_id) {
    const char* name = instance_->program_name(program_of(normalized));
    std::snprintf(out, sizeof out, "%s", name ? name : "");
  } else if (is_midi_param(id)) {
    std::snprintf(out, sizeof out, "%.0f", normalized * 127.0);
  } else {
    return kInvalidArgument;
  }
  copy_to_utf16(text, text_capacity, out);
  return kResultOk;
}

tresult VST3_CALL vst3_plugin::getParamValueByString(ParamID id, char16* text, ParamValue& normalized) {
  if (!text || !initialized_) return kInvalidArgument;
  char in[128];
  copy_from_utf16(in, sizeof in, text, text_capacity);
  if (is_sound_param(id)) {
    platform::scoped_fp_mode fp_mode(platform::control_fp_mode);
    float value = 0.f;
    if (!instance_->parameter_from_text(int32_t(id), in, value)) return kResultFalse;
    normalized = value;
    return kResultOk;
  }
  if (id == program_param_id) {
    for (int32_t i = 0; i <= last_program; ++i) {
      const char* name = instance_->program_name(i);
      if (name && std::string_view(name) == in) {
        normalized = double(i) / last_program;
        return kResultOk;
      }
    }
    return kResultFalse;
  }
  return is_midi_param(id) ? kResultFalse : kInvalidArgument;
}

// Plain values are the step numbers of stepped parameters and the
// normalised value of continuous ones (the instance owns the units).
ParamValue VST3_CALL vst3_plugin::normalizedParamToPlain(ParamID id, ParamValue normalized) {
  ParameterInfo info;
  const int32 index = is_sound_param(id) ? int32(id) : id == program_param_id ? int32(sound_param_count) : -1;
  if (index < 0 || getParameterInfo(index, info) != kResultOk || info.stepCount == 0) return normalized;
  return std::min(double(info.stepCount), std::floor(normalized * (info.stepCount + 1)));
}

ParamValue VST3_CALL vst3_plugin::plainParamToNormalized(ParamID id, ParamValue plain) {
  ParameterInfo info;
  const int32 index = is_sound_param(id) ? int32(id) : id == program_param_id ? int32(sound_param_count) : -1;
  if (index < 0 || getParameterInfo(index, info) != kResultOk || info.stepCount == 0) return plain;
  return std::clamp(plain / info.stepCount, 0.0, 1.0);
}

ParamValue VST3_CALL vst3_plugin::getParamNormalized(ParamID id) {
  if (!initialized_) return 0.0;
  if (is_sound_param(id)) return instance_->get_parameter(int32_t(id));
  if (id == program_param_id) return double(instance_->program()) / last_program;
  if (is_midi_param(id)) return midi_values_[id - midi_param_first];
  return 0.0;
}

tresult VST3_CALL vst3_plugin::setParamNormalized(ParamID id, ParamValue value) {
  if (!initialized_) return kResultFalse;
  if (!(value >= 0.0 && value <= 1.0)) return kInvalidArgument;
  platform::scoped_fp_mode fp_mode(platform::control_fp_mode);
  if (is_sound_param(id)) {
    // One object: the controller's value is the instance's value.
    instance_->set_parameter(int32_t(id), float(value));
    return kResultOk;
  }
  if (id == program_param_id) {
    if (program_of(value) != instance_->program()) instance_->set_program(program_of(value));
    return kResultOk;
  }
  if (is_midi_param(id)) {
    midi_values_[id - midi_param_first] = float(value);
    return kResultOk;
  }
  return kInvalidArgument;
}

tresult VST3_CALL vst3_plugin::setComponentHandler(IComponentHandler* handler) {
  if (handler == handler_) return kResultOk;
  if (handler) handler->addRef();
  if (handler_) handler_->release();
  handler_ = handler;
  return kResultOk;
}

IPlugView* VST3_CALL vst3_plugin::createView(FIDString name) {
  if (!initialized_ || !name || std::string_view(name) != "editor") return nullptr;
  plugin::editor_object* editor = instance_->editor();
  return editor ? plug_view::create(*editor, static_cast<IEditController*>(this), &view_) : nullptr;
}

tresult VST3_CALL vst3_plugin::getMidiControllerAssignment(int32 bus, int16 channel, CtrlNumber ctrl, ParamID& id) {
  if (bus != 0 || channel < 0 || channel >= int16(midi_channels) || ctrl < 0 || ctrl >= kCountCtrlNumber)
    return kResultFalse;
  id = midi_param_id(channel, ctrl);
  return kResultTrue;
}

tresult VST3_CALL vst3_plugin::getUnitInfo(int32 index, UnitInfo& info) {
  if (index != 0) return kInvalidArgument;
  info = UnitInfo{};
  info.id = kRootUnitId;
  info.parentUnitId = kNoParentUnitId;
  copy_to_utf16(info.name, text_capacity, "Root");
  info.programListId = program_list_id;
  return kResultOk;
}

tresult VST3_CALL vst3_plugin::getProgramListInfo(int32 index, ProgramListInfo& info) {
  if (index != 0) return kInvalidArgument;
  info = ProgramListInfo{};
  info.id = program_list_id;
  copy_to_utf16(info.name, text_capacity, "Bank");
  info.programCount = plugin::instance::program_count;
  return kResultOk;
}

tresult VST3_CALL vst3_plugin::getProgramName(ProgramListID list, int32 index, char16* name) {
  if (!name || list != program_list_id || index < 0 || index > last_program || !initialized_)
    return kInvalidArgument;
  const char* text = instance_->program_name(index);
  copy_to_utf16(name, text_capacity, text ? text : "");
  return kResultOk;
}

tresult VST3_CALL vst3_plugin::getProgramInfo(ProgramListID list, int32 index, const char8* attribute,
                                              char16* value) {
  return kResultFalse;  // no attributes
}

tresult VST3_CALL vst3_plugin::selectUnit(UnitID id) { return id == kRootUnitId ? kResultOk : kInvalidArgument; }

tresult VST3_CALL vst3_plugin::getUnitByBus(MediaType type, BusDirection dir, int32 bus, int32 channel,
                                            UnitID& unit) {
  if (getBusCount(type, dir) == 0 || bus != 0) return kInvalidArgument;
  unit = kRootUnitId;
  return kResultOk;
}

// ---- what the instance asks of the host --------------------------------------

// The editor reaches the instance's globals too (voices, tuning...): those
// are no host parameters, so hosts hear nothing of them.
void vst3_plugin::automate(int32_t index, float normalised) {
  if (index < 0 || uint32_t(index) >= sound_param_count) return;
  if (on_audio_thread()) {
    // Controllers and MIDI learn move parameters inside process: the host
    // hears of it through the output changes, never through the handler.
    if (output_change_count_ < max_output_changes)
      output_changes_[output_change_count_++] = output_change{ParamID(index), normalised};
    return;
  }
  if (handler_) handler_->performEdit(ParamID(index), normalised);
}

void vst3_plugin::begin_edit(int32_t index) {
  if (index >= 0 && uint32_t(index) < sound_param_count && handler_ && !on_audio_thread()) handler_->beginEdit(ParamID(index));
}

void vst3_plugin::end_edit(int32_t index) {
  if (index >= 0 && uint32_t(index) < sound_param_count && handler_ && !on_audio_thread()) handler_->endEdit(ParamID(index));
}

void vst3_plugin::program_changed(int32_t index) {
  if (on_audio_thread()) {
    if (output_change_count_ < max_output_changes)
      output_changes_[output_change_count_++] = output_change{program_param_id, float(index) / last_program};
    return;
  }
  if (handler_) handler_->restartComponent(kParamValuesChanged);
}

void vst3_plugin::update_display() {
  if (on_audio_thread() || !handler_) return;
  handler_->restartComponent(kParamValuesChanged);
  IUnitHandler* units = nullptr;
  if (handler_->queryInterface(iid::IUnitHandler.data(), reinterpret_cast<void**>(&units)) == kResultOk && units) {
    units->notifyProgramListChange(program_list_id, -1);
    units->release();
  }
}

bool vst3_plugin::resize_editor(int32_t width, int32_t height) {
  return view_ && view_->request_size(width, height);
}

}  // namespace vst3_shell
