// The class the module offers and the names it shows hosts. The processor's
// class ID is derived from the VST 2 plug-in's unique ID ("VST", the ID as
// eight hex digits, the first nine bytes of the lower-cased name), so a host
// that finds a VST 2 project of this instrument loads the VST 3 one in its
// place and hands it the old chunk. The text form
// 5653543278766B766F726E0000000000 is the same on every platform; the
// moduleinfo.json of the bundle repeats it.
#pragma once

#include "plugin/vst3/vst3_abi.h"

namespace vst3_shell {

constexpr vst3::uid processor_cid = vst3::uid::from_words(0x56535432, 0x78766B76, 0x6F726E00, 0x00000000);
constexpr const char* processor_cid_text = "5653543278766B766F726E0000000000";

constexpr const char* plugin_name = "Vorn";
constexpr const char* vendor_name = "Vorn";
constexpr const char* vendor_url = "";
constexpr const char* vendor_email = "";
constexpr const char* sub_categories = "Instrument|Synth";
constexpr const char* sdk_version = "VST 3.7.14";
constexpr const char* processor_category = "Audio Module Class";

}  // namespace vst3_shell
