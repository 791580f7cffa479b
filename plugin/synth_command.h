// The editor's command channel: one function, a command number and an
// argument record. The editor never touches the engine's data otherwise.
//
// synth_command(args, context, number) runs on the editor's thread while the
// audio thread may be processing. `context` is the instance (plugin::instance*)
// handed out in its editor_link. Numbers above 90, and 2, 51 and 55, do
// nothing and return 0; a null args does nothing and returns 0.
// Commands marked L take the engine lock around their work; R raises the
// display-refresh flag that command 85 reports.
//
// Texts returned through `text` or `pointer` are owned by the engine and stay
// valid until the thing they describe changes (a name until it is set again,
// a route row and the controller map for the instance's life). `text_out` is
// a caller buffer of at least command_text_capacity characters.
//
// | #  | arguments              | does, returns                                                        |
// |----|------------------------|----------------------------------------------------------------------|
// | 0  |                        | text_out = "Vorn"; 0                                                 |
// | 1  |                        | text_out = product string ("Version 8"); 0                           |
// | 3  |                        | 1 while the sustain pedal is down, else 0                            |
// | 4  |                        | value = the tempo the engine follows (host or song); 0               |
// | 5  | index                  | text = table name of parameter index (also copied to text_out); 0    |
// | 6  | index                  | text_out = display of its value (current program, or global); 0      |
// | 7  | index, value           | text_out = display `value` would have; 1                             |
// | 8  | index                  | pointer = its param_info row (const); 0                              |
// | 9  | index                  | its group number                                                     |
// | 10 | index = group          | text = group name; 0                                                 |
// | 11 | index                  | value = internal value (current program or global); 0                |
// | 12 | index, value           | set_param into the current program (or global); 0                    |
// | 13 | index (<0: current)    | text = preset name; 0                                                |
// | 14 | index, text            | preset name = text (63 characters kept); 0                           |
// | 15 | index (<0: current)    | text = preset category; 0                                            |
// | 16 | index, text            | category = text (63 kept); 0                                         |
// | 17 |                        | text = bank name; 0                                                  |
// | 18 | text                   | bank name = text (63 kept); 0                                        |
// | 19 |                        | number of loaded PCM waves                                           |
// | 20 | index (<0: the last)   | text = that wave's name, null when there is none; 0                  |
// | 21 | index 0..5             | text = switch short name ("use prg chg"...); 0                       |
// | 22 | index 0..5             | text = switch description; 0                                         |
// | 23 |                        | 6 (the switch count)                                                 |
// | 24 | index                  | 1 when switch index is on, else 0                                    |
// | 25 | index, number          | switch on when number != 0; 0                                        |
// | 26 | text = path            | saves the current preset; result = outcome; 0                        |
// | 27 | text = path            | loads into the current preset; result; R; 0                          |
// | 28 | text = path            | loads a bank; result ("loaded bank \"NAME\"" on success); R; 0       |
// | 29 | text = path            | saves the bank; result; 0                                            |
// | 30 | text = path            | loads a state; result; R; 0                                          |
// | 31 | text = path            | saves the state; result; 0                                           |
// | 32 | text = path            | loads a controller map; result; 0                                    |
// | 33 | text = path            | saves the controller map; result; 0                                  |
// | 34 | text = path            | loads a wave or ".wavs" list into the PCM list; result; 0            |
// | 35 |                        | L: clears the PCM list; R; 0                                         |
// | 36 | index                  | saves preset index as the user "init" preset; 0                      |
// | 37 | index                  | user "init" preset into preset index; R; 0                           |
// | 38 | index                  | saves preset index as the user "reset" preset; 0                     |
// | 39 | index                  | user "reset" preset into preset index; R; 0                          |
// | 40 | index                  | factory Init into preset index; R; 0                                 |
// | 41 | index                  | factory Reset into preset index; R; 0                                |
// | 42 |                        | saves the bank as init.vornbank: 1 on success                        |
// | 43 |                        | loads init.vornbank: 1 on success                                    |
// | 44 |                        | saves the state as init.vornstate: 1 on success                      |
// | 45 |                        | loads init.vornstate: 1 on success                                   |
// | 46 |                        | every preset becomes the user "init" preset; R; 0                    |
// | 47 | index                  | every preset becomes a copy of preset index; R; 0                    |
// | 48 |                        | General MIDI melodic names and families; R; 0                        |
// | 49 |                        | General MIDI percussion names; R; 0                                  |
// | 50 | index = order          | sorts the bank: 0 by name within each category (every category keeps |
// |    |                        | its slots), 1 by category, then name; R; 0                           |
// | 52 | index                  | randomises preset index; R; 0                                        |
// | 53 | index = wave, text     | replaces that PCM wave from a WAVE file; result; R; 0                |
// | 54 | index = wave           | removes that PCM wave; waveforms naming later waves follow them; R; 0 |
// | 55 | number                 | L: AHX stereo separation, percent: 0 mono .. 100 the replayer's hard |
// |    |                        | sides (the default); a negative number only reads it; returns it     |
// | 56 | text = path            | loads a sequence and starts it (below); R                            |
// | 57 |                        | L: stops a playing sequence, else starts it; 0                       |
// | 58 | number                 | L: loop limit (0 play once, n further passes, -1 endless); 0         |
// | 59 | index = parameter      | arms controller learn for that parameter (-1 disarms); 0             |
// | 60 |                        | pointer = the 128 controller map entries (relaxed<int32_t>); 0       |
// | 61 |                        | L: every controller unmapped; 0                                      |
// | 62 | index = controller     | L: that controller unmapped; 0                                       |
// | 63 |                        | the unison saw count                                                 |
// | 64 | number                 | L: every voice takes that saw count (1..16); 0                       |
// | 65 | index = voice          | L: number = frames since that voice started; returns it              |
// | 66 | index = voice          | L: number = 1 while it sounds, else 0; returns it                    |
// | 67 |                        | L: number = the allocator's slot count; returns it                   |
// | 68 |                        | voices rendered in the last block                                    |
// | 69 |                        | text = the allocator's 128 note-held bytes; 0                        |
// | 70 |                        | 1 once after MIDI arrived (the flag is cleared), else 0              |
// | 71 |                        | last slot started (-1 none)                                          |
// | 72 |                        | displayed slot: 0 in mono, else the newest held note's slot, or 71   |
// | 73 |                        | L: number = displayed voice state (below); returns it                |
// | 74 | index 0..15            | pointer = that route row, to read and edit in place; 0               |
// | 75 | index                  | that row edited: its destination recomputed if in use; 0             |
// | 76 |                        | rows edited: the route lists rebuilt; 0                              |
// | 77 | index = envelope 0, 1  | L: value = displayed voice's level / 2^30, number = stage; returns it |
// | 78 | index = voice          | L: value 0..1 and number = stage (below); returns number; -1 no voice|
// | 79 | index = LFO 0, 1       | L: value = output / 32768, number = status bits; returns the slot    |
// | 80 |                        | 1 while the host has the plug-in switched on                         |
// | 81 | pointer = float[2]     | receives the level meter's left and right; 0                         |
// | 82 |                        | 1 while the level meter runs                                         |
// | 83 | index 0..3             | pointer = the effect in that slot (fx::effect*) or null; 0           |
// | 84 | index 0..3, text       | puts the named effect in the slot ("-" empties it); 0                |
// | 85 |                        | index = result = 1 (program changed) + 2 (display refresh); cleared  |
// | 86 | text = path            | loads a tuning file (.scl scale or .kbm mapping, below); result; R;  |
// |    |                        | 0, or 1 when it failed (the tuning stays as it was)                  |
// | 87 |                        | L: no tuning (twelve-tone equal temperament); R; 0                   |
// | 88 |                        | text_out = the tuning's description; 1 while a tuning is loaded      |
// | 89 |                        | 1 while MPE is on, else 0                                            |
// | 90 | number                 | L: MPE on when number != 0 (a lower zone of 15 members); 0           |
//
// 56, load a sequence: a null or empty path returns 1; the path of the song
// already loaded returns 2 and reads nothing; a file that cannot be read
// returns 3; data that is no sequence returns 4 (playback stopped); otherwise
// the song, its presets and samples replace the old ones under the engine
// lock, the bank takes the song's name (63 characters), the path is kept,
// playback starts (57) and 0 is returned. Every case raises R; `result`
// holds the reason of a failure (empty on success).
//
// 73, displayed voice state: bits 0..2 the amplitude envelope's stage (0
// attack .. 4 idle), bit 3 key down, bit 4 sounding, bits 8..15 the note.
// 78: with the volume envelope "A" or "B", value = level / attack end and
// number = stage; with "Gate", value 1 and number 2 while the gate is above
// 8192, else 0 and 3; a silent voice gives 0 and 3.
// 79 status bits: bit 0 the LFO's pulse is high, bit 1 its delay has ended.
//
// 86, load a tuning: a path ending in ".kbm" (any case) is a keyboard
// mapping applied to the loaded scale (twelve equal steps when none is); any
// other path is read as a scale, which keeps the loaded mapping. A text that
// does not read returns its reason ("Line 4: ratio must be positive").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace plugin {

constexpr size_t command_text_capacity = 64;
constexpr int command_count = 91;

struct command_args {
  int32_t index = 0;
  float value = 0.f;
  int32_t number = 0;
  char* text_out = nullptr;     // caller buffer, command_text_capacity or more
  const char* text = nullptr;   // an input text, or a returned engine-owned text
  void* pointer = nullptr;      // a returned engine-owned record (81: the caller's two floats)
  std::string result;           // outcome text of the file commands (empty = success)
};

namespace command {
enum : int {
  effect_name = 0, product = 1, sustain = 3, host_tempo = 4,
  param_name = 5, param_display = 6, param_trial_display = 7, param_descriptor = 8, param_group = 9,
  group_name = 10, read_param = 11, write_param = 12,
  preset_name = 13, set_preset_name = 14, preset_category = 15, set_preset_category = 16,
  bank_name = 17, set_bank_name = 18, pcm_count = 19, pcm_name = 20,
  switch_name = 21, switch_description = 22, switch_count = 23, read_switch = 24, write_switch = 25,
  save_preset = 26, load_preset = 27, load_bank = 28, save_bank = 29, load_state = 30, save_state = 31,
  load_cc_map = 32, save_cc_map = 33, load_wave = 34, clear_waves = 35,
  save_init_preset = 36, load_init_preset = 37, save_reset_preset = 38, load_reset_preset = 39,
  factory_init = 40, factory_reset = 41,
  save_start_bank = 42, load_start_bank = 43, save_start_state = 44, load_start_state = 45,
  fill_with_init = 46, fill_with_preset = 47, gm_melodic_names = 48, gm_drum_names = 49,
  sort_bank = 50, randomise_preset = 52, replace_wave = 53, remove_wave = 54,
  ahx_separation = 55, load_sequence = 56, start_stop_sequence = 57, sequence_loop = 58,
  arm_learn = 59, cc_map = 60, clear_cc_map = 61, unmap_controller = 62,
  saw_count = 63, set_saw_count = 64,
  voice_age = 65, voice_sounding = 66, slot_count = 67, voices_rendered = 68, held_notes = 69,
  midi_activity = 70, last_slot = 71, displayed_slot = 72, displayed_voice_state = 73,
  route_row = 74, route_row_edited = 75, route_rows_edited = 76,
  envelope_state = 77, voice_activity = 78, lfo_state = 79,
  engine_running = 80, output_levels = 81, meter_active = 82, effect_slot = 83, set_effect_slot = 84,
  poll_changes = 85,
  load_tuning = 86, reset_tuning = 87, tuning_name = 88, mpe = 89, set_mpe = 90,
};
}

// Results of command 56.
namespace sequence_load_result {
enum : int { loaded = 0, no_path = 1, already_loaded = 2, unreadable = 3, not_a_sequence = 4 };
}

int synth_command(command_args* args, void* context, int number);

}  // namespace plugin
