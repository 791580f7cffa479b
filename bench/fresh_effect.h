// An effect as a slot holds it after it is chosen: built for the rate, reset,
// cleared and at its defaults. Built in the control thread's rounding mode,
// as the editor thread builds it in the plug-in.
#pragma once

#include <memory>

#include "fx/effect.h"
#include "fx/registry.h"
#include "platform/fp_mode.h"

inline std::unique_ptr<fx::effect> fresh_effect(const char* name, float rate) {
  platform::scoped_fp_mode control(platform::control_fp_mode);
  auto e = fx::create_effect(true, name);
  e->rebuild(rate);
  e->reset();
  e->clear();
  e->load_defaults();
  return e;
}
