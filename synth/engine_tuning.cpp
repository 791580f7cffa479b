// The engine's tuning and MPE settings: what the editor, the render tool and
// the instance state change. Texts are read and checked before the engine
// lock is taken; the lock covers only the swap and the retuning of voices.
#include "synth/engine.h"

namespace synth {

namespace {

// The scale a keyboard mapping applies to when no scale is loaded.
std::string twelve_equal_text() {
  std::string s = "12 equal\n12\n";
  for (int i = 1; i <= 12; ++i) s += std::to_string(i * 100) + ".0\n";
  return s;
}

}  // namespace

std::string synth::install_tuning(const tuning_table& table, std::string_view scale_text,
                                  std::string_view keymap_text, const std::string& name) {
  platform::scoped_lock hold(lock_);
  tuning_ = table;
  tuning_texts_.scale.assign(scale_text);
  tuning_texts_.keymap.assign(keymap_text);
  tuning_name_ = name;
  retune_voices();
  raise_display_refresh();
  return {};
}

std::string synth::set_tuning(std::string_view scale_text, std::string_view keymap_text) {
  tuning_table table;
  std::string name;
  const std::string error = tuning_from_texts(scale_text, keymap_text, table, &name);
  if (!error.empty()) return error;
  return install_tuning(table, scale_text, keymap_text, name);
}

std::string synth::load_tuning_scale(std::string_view scale_text) {
  const std::string keymap = tuning_texts_.keymap;
  return set_tuning(scale_text, keymap);
}

std::string synth::load_tuning_keymap(std::string_view keymap_text) {
  const std::string scale = tuning_texts_.scale.empty() ? twelve_equal_text() : tuning_texts_.scale;
  return set_tuning(scale, keymap_text);
}

void synth::reset_tuning() {
  platform::scoped_lock hold(lock_);
  tuning_ = tuning_table{};
  tuning_texts_ = tuning_texts{};
  tuning_name_.clear();
  retune_voices();
  raise_display_refresh();
}

std::string synth::tuning_name() {
  platform::scoped_lock hold(lock_);
  return tuning_name_;
}

void synth::retune_voices() {
  for (voice& v : voices_) v.retune();
}

void synth::set_mpe(bool on) {
  platform::scoped_lock hold(lock_);
  mpe_.set_on(on);
  mpe_on_ = mpe_.on;
}

void synth::mpe_zone_sizes(int& lower, int& upper) {
  platform::scoped_lock hold(lock_);
  lower = mpe_.lower_members;
  upper = mpe_.upper_members;
}

void synth::set_mpe_zones(bool on, int lower, int upper) {
  platform::scoped_lock hold(lock_);
  mpe_ = mpe_zones{};
  mpe_.configure(15, upper);
  mpe_.configure(0, lower);  // the lower zone wins where they overlap
  mpe_.set_on(on);
  mpe_on_ = mpe_.on;
}

}  // namespace synth
