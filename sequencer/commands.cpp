#include "sequencer/commands.h"

namespace sequencer {

namespace {

// Mnemonics of 29..48 are ours: "t " tempo, "vc" channel volume, "pn" pan
// restore, "J " jump, "R " retrigger, "fe" filter envelope, "S " speed, "J#"
// the jump's hundreds.
const char* const mnemonics[command_count] = {
    "6u", "3u", "4a", "6d", "3d", "ad", "sr", "ad", "sr", "vi", "A ", "b ", "fc", "d ", "p+", "p-",
    "g ", "vb", "i ", "j ", "k ", "pw", "vm", "n ", "fx", "p ", "q ", "r ", "s ", "t ", nullptr, "vc",
    nullptr, "pn", nullptr, "J ", "R ", "fe", "S ", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, "J#", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

}  // namespace

const char* command_mnemonic(int32_t command) {
  return command >= 0 && command < command_count ? mnemonics[command] : nullptr;
}

bool command_reuses_parameter(int32_t command) {
  return (command >= cmd::arpeggio_6_up && command <= cmd::arpeggio_3_down) || command == cmd::pitch_up ||
         command == cmd::pitch_down || command == cmd::glide || command == cmd::vibrato ||
         command == cmd::volume_slide;
}

}  // namespace sequencer
