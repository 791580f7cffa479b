// Parameters as hosts see them: values, texts, texts read back, shapes.
#include <algorithm>
#include <cstdio>
#include <string>

#include "plugin/command_groups.h"
#include "plugin/instance_parts.h"
#include "synth/display_inverse.h"
#include "synth/param_table.h"

namespace plugin {

namespace {

// Host step sizes for the continuous parameters: the cutoffs and LFO rates
// take steps of their own (coarser, finer), the rest 1/16.
float step_of(int32_t index) {
  if (index == synth::p::filter_frequency || index == synth::p::shflt_frequency) return 0.09375f;
  if (index == synth::p::mod_a_rate || index == synth::p::mod_b_rate) return 0.03125f;
  return 0.0625f;
}

}  // namespace

void instance::parameter_text(int32_t index, char* text, size_t capacity) const {
  if (!text || capacity == 0) return;
  parts_->engine.display_param(index, program(), text, capacity);
}

// The text is read back through the parameter's own display (a scratch copy
// of the current program), so whatever a display prints comes back as the
// value that prints it.
bool instance::parameter_from_text(int32_t index, const char* text, float& normalised) const {
  if (!synth::param_valid(index) || !text) return false;
  synth::synth& engine = parts_->engine;
  const synth::param_info& row = synth::param_row(index);
  const synth::display_law law = [&engine, index](float v) {
    char shown[64];
    trial_display(engine, index, v, shown, sizeof shown);
    return std::string(shown);
  };
  float internal = 0.f;
  std::string error;
  if (!synth::value_from_display(law, {row.min, row.max, row.is_integer}, text, internal, error)) return false;
  normalised = std::clamp(synth::to_normalised(index, internal), 0.f, 1.f);
  return true;
}

bool instance::parameter_info(int32_t index, parameter_shape& out) const {
  if (!synth::param_valid(index)) return false;
  const synth::param_info& row = synth::param_row(index);
  out = parameter_shape{};
  out.values = row.is_integer ? int32_t(row.max) - int32_t(row.min) + 1 : 0;
  out.default_normalised = std::clamp(synth::to_normalised(index, row.def), 0.f, 1.f);
  out.step = step_of(index);
  synth::full_name(index, out.name, sizeof out.name);
  return true;
}

}  // namespace plugin
