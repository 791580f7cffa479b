#include "editor/menu_strings.h"

#include <cstdio>

#include "guilib/style/color_presets.h"
#include "synth/param_table.h"

namespace gui {

const char* const main_menu =
    "[72x14]Load{Preset,Bank,State,Init{Preset,[ms]Bank,State,Reset[m]}[ms]Factory{Init,Reset}[m][l]Load Tuning,Reset Tuning}Save{Preset,Bank,"
    "State,[ms]Init{Preset,Bank,State,Reset}[m]}[ms][l]Bank{Clear{[lWith]Init,Selected}Rename{[lPresets as]GM "
    "Melodic,GM Drums}Sort{Name,Category}}[m][l]CC Map{Learn,Remove{[p]}Clear,[l]Load,Save}PCM{Load,Clear,"
    "Replace{[p]}Remove{[p]}}[l]Randomize{[80x14]Preset Name,Bank Names,Preset,Bank}Sequence{Load,Start/Stop,"
    "Loop{Off,One,Three,Infinite}}";
const char* const voices_menu =
    "[60x13][lPoly]4=7,6=9,8=11,16=19,...{[24x13]1=4,2,3,4,5,6,7,8,[n]9,10,11,12,13,14,15,16,[n]17,18,19,20,21,22,"
    "23,24,[n]25,26,27,28,29,30,31,32}[n][lMono]Low=0,High,New,Old,";
const char* const xmod_menu =
    "[48x12][lOff][40x96]-=0,[n][68x12][l][60x12][lPitch]A, B, A + B,[lHz]A, B, A + B,[n][68x12][lDerivative][60x12]"
    "[lPitch]A, B, A + B,[lHz]A, B, A + B,";
const char* const filter_menu =
    "[68x12][lBypass][60x48]-=0,[n][68x12][lKHN][60x12]Low 12 dB=1,High 12 dB,Band 6 dB,Notch,[n][68x12][lKHN x2]"
    "[60x12]Low 24 dB=5,High 24 dB,Band 12 dB,Notch x2,[n]";
const char* const shaper_filter_menu =
    "[48x12][lBypass][40x48]-=0,[n][68x12][l6 dB][60x12]Low,High,Band,Notch,[n][68x12][lKHN][60x12]Low 12 dB,High "
    "12 dB,Band 6 dB,Notch,";
const char* const route_mode_menu = "[40x12]Add,Multiply,";
const char* const effect_menu =
    "[h0][80x65]-,[80x13][lDelay]Reverb,[lDynamics]Compressor,Gate,Limiter,[n][lTimbre]Clipper,Multiplier,Quantizer,"
    "Rectifier,Ringmod,[lModulation]Follower,mDelay,Phaser,Tremolo,";
// Half size (value -2) is not offered: the fonts keep a readable 7 pixels
// while the layout shrinks to half, so labels would overlap. A stored half
// size opens at 3/4.
const char* const scale_menu =
    "[96x14]3/4=-1,Original (762 x 516)=0,1.25X (952 x 645),1.5X (1143 x 774),2X (1524 x 1032),";
const char* const bitmap_menu =
    "[96x14]Gradient{Flat,Default}Background{Load=0,Blank,Default,[lOptions]Tile,Center,Scale,Multiply,Alpha-blend}"
    "Overlay{Load=0,Blank,Default}";

namespace {

// The controllers by name, then every number in a grid.
std::string controller_menu() {
  std::string s =
      "CC{[84x13][lController]Bank select=0,Modulation,Breath,Foot control=4,Data entry=6,Volume,Balance,Pan=10,"
      "Expression,[lFX send]A=12,B,[lFX control]1=91,2,3,4,5,[n][lPortamento]Time=5,Control=84,Pedal=65,[lPedals]"
      "Sustain=64,Portamento,Sostenuto,Soft,Legato,Hold,Variation,Timbre,[n][lEnvelope]Attack=73,Decay=75,"
      "Brightness=74,Release=72,[lVibrato]Rate=76,Depth,Delay,[n][lGP Control]Increment=96,Decrement,1=16,2,3,4,"
      "5=80,6,7,8,[lControl]All sound off=120,Reset CCs,Local switch,All notes off,Omni off,Omni on,Mono mode,"
      "Poly mode,[n][l]CC #{[26x13]";
  for (int cc = 0; cc < 128; ++cc) {
    if (cc > 0 && cc % 16 == 0) s += "[n]";
    s += std::to_string(cc);
    if (cc == 0) s += "=0";
    s += cc < 127 ? "," : "";
  }
  return s + "}}";
}

// The sound parameters by section, from base (the first parameter's value).
std::string parameter_sections(int base) {
  struct section {
    const char* name;
    int first, last;
  };
  static constexpr section sections[] = {{"Output", 0, 6},  {"Oscillators", 7, 15}, {"Oscillator A", 16, 22},
                                         {"Oscillator B", 23, 32}, {"Mixer", 33, 38}, {"Filter", 39, 50},
                                         {"Shaper", 51, 58}, {"Modulation", 59, 88}};
  std::string s = "[b" + std::to_string(base) + "]";
  for (const section& sec : sections) {
    s += sec.name;
    s += "{[96x13]";
    for (int i = sec.first; i <= sec.last; ++i) {
      char name[64];
      synth::full_name(i, name, sizeof name);
      if (sec.last - sec.first > 16 && i > sec.first && (i - sec.first) % 15 == 0) s += "[n]";
      s += name;
      if (i == sec.first) {
        s += '=';
        s += std::to_string(i);
      }
      s += ",";
    }
    s += "}";
  }
  return s;
}

}  // namespace

std::string source_menu() {
  return "[50x13][b0]-=0,[b128]1.0=1,[b256]Key=0,Velocity,Pressure,Release,[n][l]Program,Aftertouch,Bender,"
         "[n][l][66x13]Note Bend,Note Pressure,Note Slide,[50x13][b384]" +
         controller_menu();
}

std::string destination_menu() { return "[80x13][b0]-," + parameter_sections(128); }

std::string legacy_route_menu() { return "[80x13][b0]-=0," + parameter_sections(1); }

std::string colour_menu() {
  std::string s = "[70x13]None=-1,";
  for (size_t i = 0; i < color_preset_count; ++i) {
    if (i == 12) s += "[n]";
    s += color_preset_table[i].name;
    if (i == 0) s += "=0";
    s += ",";
  }
  return s;
}

std::string program_menu(const std::vector<std::string>& names) {
  std::string s = "[120x13]";
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0 && i % 32 == 0) s += "[n]";
    char number[8];
    std::snprintf(number, sizeof number, "%03d ", int(i));
    s += number;
    for (char c : names[i]) {
      switch (c) {
        case ',': s += ';'; break;
        case '{': case '[': s += '('; break;
        case '}': case ']': s += ')'; break;
        case '=': s += '-'; break;
        default: s += c;
      }
    }
    s += '=';
    s += std::to_string(i);
    s += ',';
  }
  return s;
}

}  // namespace gui
