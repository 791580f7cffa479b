#include "tools/gui-demo/menu_strings.h"

#include "guilib/style/color_presets.h"
#include "synth/param_table.h"

namespace demo {

namespace {

const char* main_menu =
    "[72x14]Load{Preset,Bank,State,Init{Preset,[ms]Bank,State,Reset[m]}[ms]Factory{Init,Reset}[m]}Save{Preset,Bank,"
    "State,[ms]Init{Preset,Bank,State,Reset}[m]}[ms][l]Bank{Clear{[lWith]Init,Selected}Rename{[lPresets as]GM "
    "Melodic,GM Drums}}[m][l]CC Map{Learn,Remove{[p]}Clear,[l]Load,Save}PCM{Load,Clear}";
const char* voices_menu =
    "[60x13][lPoly]4=7,6=9,8=11,16=19,...{[24x13]1=4,2,3,4,5,6,7,8,[n]9,10,11,12,13,14,15,16,[n]17,18,19,20,21,22,"
    "23,24,[n]25,26,27,28,29,30,31,32}[n][lMono]Low=0,High,New,Old,";
const char* xmod_menu =
    "[48x12][lOff][40x96]-=0,[n][68x12][l][60x12][lPitch]A, B, A + B,[lHz]A, B, A + B,[n][68x12][lDerivative][60x12]"
    "[lPitch]A, B, A + B,[lHz]A, B, A + B,";
const char* filter_menu =
    "[68x12][lBypass][60x48]-=0,[n][68x12][lKHN][60x12]Low 12 dB=1,High 12 dB,Band 6 dB,Notch,[n][68x12][lKHN x2]"
    "[60x12]Low 24 dB=5,High 24 dB,Band 12 dB,Notch x2,[n]";
const char* shaper_filter_menu =
    "[48x12][lBypass][40x48]-=0,[n][68x12][l6 dB][60x12]Low,High,Band,Notch,[n][68x12][lKHN][60x12]Low 12 dB,High "
    "12 dB,Band 6 dB,Notch,";
const char* route_mode_menu = "[40x12]Add,Multiply,";
const char* effect_menu =
    "[h0][80x65]-,[80x13][lDelay]Reverb,[lDynamics]Compressor,Gate,Limiter,[n][lTimbre]Clipper,Multiplier,Quantizer,"
    "Rectifier,Ringmod,[lModulation]Follower,mDelay,Phaser,Tremolo,";
const char* scale_menu = "[96x14]1/2=-2,3/4=-1,Original (762 x 516)=0,1.25X (952 x 645),1.5X (1143 x 774),2X (1524 x 1032),";
const char* bitmap_menu =
    "[96x14]Gradient{Flat,Default}Background{Load=0,Blank,Default,[lOptions]Tile,Center,Scale,Multiply,Alpha-blend}"
    "Overlay{Load=0,Blank,Default}";
const char* loop_menu = "[60x13]Off=0,One=1,Three=3,Infinite=-1";

// The controllers by name, then every number in a grid of eight columns.
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

std::string source_menu() {
  return "[50x13][b0]-=0,[b128]1.0=1,[b256]Key=0,Velocity,Pressure,Release,[n][l]Program,Aftertouch,Bender,[b384]" +
         controller_menu();
}

// Every sound parameter by section, its value 128 + its index.
std::string destination_menu() {
  struct section {
    const char* name;
    int first, last;
  };
  static constexpr section sections[] = {{"Output", 0, 6},  {"Oscillators", 7, 15}, {"Oscillator A", 16, 22},
                                         {"Oscillator B", 23, 32}, {"Mixer", 33, 38}, {"Filter", 39, 50},
                                         {"Shaper", 51, 58}, {"Modulation", 59, 88}};
  std::string s = "[80x13][b0]-,[b128]";
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

std::string colour_menu() {
  std::string s = "[70x13]None=-1,";
  for (size_t i = 0; i < gui::color_preset_count; ++i) {
    if (i == 12) s += "[n]";
    s += gui::color_preset_table[i].name;
    if (i == 0) s += "=0";
    s += ",";
  }
  return s;
}

}  // namespace

const std::vector<menu_string>& every_menu() {
  static const std::vector<menu_string> menus = {
      {"Main", main_menu},
      {"Voices", voices_menu},
      {"XMod", xmod_menu},
      {"Filter", filter_menu},
      {"Shaper filter", shaper_filter_menu},
      {"Route source", source_menu()},
      {"Route mode", route_mode_menu},
      {"Destination", destination_menu()},
      {"Effect", effect_menu},
      {"Scale", scale_menu},
      {"Background", bitmap_menu},
      {"Colour", colour_menu()},
      {"Sequence loop", loop_menu},
  };
  return menus;
}

std::string menu_of_menus() {
  std::string s = "[110x14]";
  for (const menu_string& m : every_menu()) s += std::string(m.name) + "{" + m.text + "}";
  return s;
}

}  // namespace demo
