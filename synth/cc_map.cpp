#include "synth/cc_map.h"

#include <algorithm>

#include "synth/param_table.h"

namespace synth {

namespace {

// v / 128, not v / 127: the top value 127 gives 0.9921875 and integer
// parameters share the 128 steps evenly through to_internal's 0.999 rule.
constexpr float controller_to_normalised = 0.0078125f;

bool valid_controller(int c) { return c >= 0 && c < cc_map::controller_count; }

}  // namespace

void cc_map::arm_learn(int parameter) { learn_target_ = param_valid(parameter) ? parameter : unmapped; }

void cc_map::clear() {
  for (auto& e : entries_) e = unmapped;
}

void cc_map::unmap(int controller) {
  if (valid_controller(controller)) entries_[controller] = unmapped;
}

void cc_map::load(const cc_pair* pairs, int count) {
  clear();
  for (int i = 0; pairs && i < count; ++i)
    if (valid_controller(pairs[i].controller) && param_valid(pairs[i].parameter))
      entries_[pairs[i].controller] = pairs[i].parameter;
}

int cc_map::entry(int controller) const { return valid_controller(controller) ? entries_[controller].load() : unmapped; }

void cc_map::control_change(int controller, int value, cc_client& client) {
  if (!valid_controller(controller)) return;
  const int32_t target = learn_target_;
  if (target != unmapped) {
    entries_[controller] = target;
    learn_target_ = unmapped;
    client.notify_message("mapped", target);
  }
  const int32_t p = entries_[controller];
  if (!param_valid(p)) return;
  const float n = std::clamp(static_cast<float>(value) * controller_to_normalised, 0.f, 1.f);
  client.set_param(p, to_internal(p, n));
  client.notify_parameter(p, to_normalised(p, client.get_param(p)));
}

}  // namespace synth
