#include "synth/mpe_zones.h"

#include <algorithm>

namespace synth {

namespace {

constexpr int controller_rpn_msb = 101;
constexpr int controller_rpn_lsb = 100;
constexpr int controller_data_entry = 6;
constexpr int rpn_bend_range = 0;
constexpr int rpn_mpe_configuration = 6;
constexpr int lower_manager = 0;
constexpr int upper_manager = 15;

}  // namespace

void mpe_zones::set_on(bool enable) {
  if (enable && lower_members == 0 && upper_members == 0) lower_members = mpe_max_members;
  on = enable;
}

void mpe_zones::configure(int manager, int members) {
  members = std::clamp(members, 0, mpe_max_members);
  if (manager == lower_manager) {
    lower_members = members;
    upper_members = std::min(upper_members, mpe_max_members - members - (members > 0 ? 1 : 0));
  } else {
    upper_members = members;
    lower_members = std::min(lower_members, mpe_max_members - members - (members > 0 ? 1 : 0));
  }
  upper_members = std::max(upper_members, 0);
  lower_members = std::max(lower_members, 0);
  on = lower_members > 0 || upper_members > 0;
  reset_channels();
}

bool mpe_zones::control(int ch, int controller, int value) {
  if (ch < 0 || ch >= midi_channel_count) return false;
  rpn_select& r = rpn[size_t(ch)];
  if (controller == controller_rpn_msb) r.msb = uint8_t(value);
  if (controller == controller_rpn_lsb) r.lsb = uint8_t(value);
  if (controller != controller_data_entry || r.msb != 0) return false;
  if (r.lsb == rpn_mpe_configuration && (ch == lower_manager || ch == upper_manager)) {
    configure(ch, value);
    return true;
  }
  if (r.lsb == rpn_bend_range && is_member(ch)) {
    channel[size_t(ch)].bend_range = float(value);
    return true;
  }
  return false;
}

void mpe_zones::reset_channels() {
  for (mpe_channel& c : channel) c = mpe_channel{};
}

}  // namespace synth
