#include "plugin/bank_link.h"

#include "files/engine_presets.h"
#include "plugin/instance.h"
#include "synth/engine.h"

namespace plugin {

bool bank_link::copy_preset(int slot, synth::preset& out) {
  if (slot < 0 || slot >= synth::bank_size) return false;
  out = owner_->engine().program(slot);
  return true;
}

void bank_link::put_preset(int slot, const synth::preset& p) {
  if (slot < 0 || slot >= synth::bank_size) return;
  files::apply_preset(owner_->engine(), slot, p);
  owner_->engine().raise_display_refresh();
}

}  // namespace plugin
