// The editor's access to whole presets of the instance's bank (editor_link.h).
#pragma once

#include "plugin/editor_link.h"

namespace plugin {

class instance;

class bank_link final : public preset_access {
 public:
  explicit bank_link(instance* owner) : owner_(owner) {}
  bool copy_preset(int slot, synth::preset& out) override;
  void put_preset(int slot, const synth::preset& p) override;

 private:
  instance* owner_;
};

}  // namespace plugin
