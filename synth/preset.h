// The preset record and the bank. Values are in each parameter's own units
// (not normalised). The audio thread reads values and the change stamp while
// the editor or host writes them, hence the relaxed cells.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/relaxed.h"
#include "synth/param_table.h"

namespace synth {

constexpr float value_not_set = -1000.f;  // marks a slot never initialised or loaded
constexpr int bank_size = 128;
constexpr size_t preset_name_max = 63;    // characters kept when set through the host

struct preset {
  std::string name;
  std::string category;
  std::array<platform::relaxed<float>, preset_param_count> values;
  platform::relaxed<int32_t> values_version{-1};  // -1: values never came from a file
  platform::relaxed<uint32_t> change_stamp{0};    // +1 on every value change
  int32_t extra = -1;                             // carried by copies

  preset() {
    for (auto& v : values) v = value_not_set;
  }

  // Stores a value and advances the stamp, so voices that loaded this preset
  // at an older stamp reload it when reused.
  void set(int index, float v) {
    values[index] = v;
    change_stamp = change_stamp + 1;
  }
  float get(int index) const { return values[index]; }
};

struct bank {
  std::string name;
  std::array<preset, bank_size> slots;
};

// Factory presets: "Reset" holds every default; "Init" a playable two-oscillator
// sound. Both have the category "Init".
void build_factory_reset(preset& p);
void build_factory_init(preset& p);

// Each value limited to its parameter's range (the waveforms only below, at 0,
// so PCM waves stay selectable); integer parameters rounded down.
void limit_values(preset& p);

}  // namespace synth
