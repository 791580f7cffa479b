// The command line of vorn-render.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace render {

enum class command { help, info, midi, note, sequence, list_fx, editor_shot };

// --param NAME=VALUE: a parameter index or its full name, and a value 0..1.
struct param_setting {
  std::string key;
  float value;
};

// --fx SLOT=NAME: an effect in one of the four slots ("-" empties it).
struct fx_setting {
  int32_t slot;
  std::string name;
};

// --fx-param SLOT:INDEX=VALUE: a parameter of a slot's effect, in its own range.
struct fx_param_setting {
  int32_t slot;
  int32_t index;
  float value;
};

struct options {
  command what = command::help;
  std::string plugin_path;  // empty: the plug-in beside the executable
  std::string midi_path;
  std::string sequence_path;  // --sequence: a song (.kvxs or .ahx) played by the plug-in's own player
  int32_t loops = 1;          // passes through the song
  int32_t separation = -1;    // AHX stereo separation in percent; -1: the plug-in's default
  bool row_text = false;      // print each row's text as it plays
  std::string output_path;
  int32_t sample_rate = 44100;
  int32_t block_size = 512;
  int32_t program = -1;  // -1: leave the plug-in's current program
  std::vector<param_setting> params;
  std::vector<fx_setting> effects;
  std::vector<fx_param_setting> fx_params;
  double tail_seconds = 2.0;
  int32_t note = 60;
  int32_t velocity = 100;
  double note_seconds = 2.0;
  // Sound files applied before rendering (or before --info describes the
  // plug-in), in this order: state, bank, program, preset, waves, tuning,
  // parameters; saved after rendering.
  std::string state_path;
  std::string bank_path;
  std::string preset_path;
  std::vector<std::string> wave_paths;
  // --tuning FILE.scl [--keymap FILE.kbm]: the instance plays in that tuning.
  std::string tuning_path;
  std::string keymap_path;
  std::string save_state_path;
  std::string save_preset_path;
  // --editor-shot: the editor drawn off-screen at gui_scale into this PNG (or
  // TGA); with --note the note is held while the picture is taken.
  std::string shot_path;
  float gui_scale = 1.f;
  int32_t page = 0;  // --page: the tab page shown, 0 Global, 1 Route, 2 Effect
  bool hold_note = false;
};

// False with a message for unknown options, missing or out-of-range values.
bool parse_options(int argc, const char* const* argv, options& out, std::string& error);
std::string usage_text();

// The plug-in in the directory of the running executable: vorn.so, or
// vorn.dll on Windows (default_plugin_posix.cpp, default_plugin_win32.cpp).
std::string default_plugin_path();

}  // namespace render
