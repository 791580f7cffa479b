// The names of MIDI controllers as the route source menu lists them
// ("Modulation", "FX send A", "Sustain pedal"); "CC 33" for a number the
// menu does not name.
#pragma once

#include <cstdint>
#include <string>

namespace gui {

std::string controller_name(int32_t controller);

}  // namespace gui
