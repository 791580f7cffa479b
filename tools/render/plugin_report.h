// What a host sees of a plug-in, as text: the effect's identity fields, its
// dispatcher strings, program names and every parameter with its properties.
#pragma once

#include <string>

#include "tools/vsthost/plugin_instance.h"

namespace render {

std::string identity_report(vsthost::plugin_instance& p);
std::string programs_report(vsthost::plugin_instance& p);
std::string parameters_report(vsthost::plugin_instance& p);

// "amsy (0x616d7379, in memory "ysma")" for a printable four-character id,
// else its hex value.
std::string fourcc_text(int32_t id);
// "0x130 (CanReplacing IsSynth NoSoundInStop)".
std::string flags_text(int32_t flags);

}  // namespace render
