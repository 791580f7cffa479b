// The editor's command channel on an instance built in-process: the function
// and context the editor receives, each command's arguments and results.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fx/chain.h"
#include "platform/utf8_path.h"
#include "plugin/synth_command.h"
#include "synth/dsp/oscillator.h"
#include "synth/param_table.h"
#include "tests/support/direct_plugin.h"
#include "tests/support/kvx_builder.h"
#include "tests/support/wave_builder.h"

namespace {

using test_support::direct_plugin;
namespace command = plugin::command;

struct editor {
  direct_plugin d;
  plugin::editor_link link = d.p->editor_connection();
  char text_out[plugin::command_text_capacity] = {};

  int send(int number, plugin::command_args& a) {
    a.text_out = text_out;
    return link.command(&a, link.context, number);
  }
  int send(int number, int index = 0, const char* text = nullptr, int value = 0) {
    plugin::command_args a;
    a.index = index;
    a.text = text;
    a.number = value;
    return send(number, a);
  }
};

// Inside the private data folder of this test program (boundary_test.cpp),
// removed with it.
std::string scratch_file(const std::string& name) {
  const std::filesystem::path dir = std::filesystem::path(std::getenv("VORN_DATA_DIR")) / "commands";
  std::filesystem::create_directories(dir);
  return platform::utf8_text(dir / name);
}

std::string write_file(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = scratch_file(name);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path;
}

TEST(commands, unknown_and_unused_numbers_do_nothing_and_the_switches_are_six) {
  editor e;
  for (int n : {2, 50, 51, 53, 54, 91, 1000, -1}) EXPECT_EQ(e.send(n), 0) << n;
  EXPECT_EQ(e.link.command(nullptr, e.link.context, command::switch_count), 0);
  EXPECT_EQ(e.send(command::switch_count), 6);
  plugin::command_args a;
  a.index = 5;
  e.send(command::switch_name, a);
  EXPECT_STREQ(a.text, "block dc");
  a.index = 6;
  e.send(command::switch_description, a);
  EXPECT_EQ(a.text, nullptr);
  e.send(command::write_switch, 3, nullptr, 1);
  EXPECT_EQ(e.send(command::read_switch, 3), 1);
  e.send(command::write_switch, 3, nullptr, 0);
  EXPECT_EQ(e.send(command::read_switch, 3), 0);
  EXPECT_EQ(e.send(command::read_switch, 9), 0);
  e.send(command::effect_name);
  EXPECT_STREQ(e.text_out, "Vorn");
  e.send(command::product);
  EXPECT_STREQ(e.text_out, "Version 8");
}

TEST(commands, poll_after_a_host_program_change_reports_3_then_0) {
  editor e;
  e.send(command::poll_changes);
  e.d.e->dispatcher(e.d.e, effSetProgram, 0, 5, nullptr, 0.f);
  plugin::command_args a;
  EXPECT_EQ(e.send(command::poll_changes, a), 3);
  EXPECT_EQ(a.index, 3);
  EXPECT_EQ(e.send(command::poll_changes), 0);
  e.send(command::clear_waves);  // R only
  EXPECT_EQ(e.send(command::poll_changes), 2);
}

TEST(commands, midi_activity_reads_1_once_after_a_burst) {
  editor e;
  test_support::midi_block midi;
  for (int i = 0; i < 10; ++i) midi.add(i * 8, 0x90, uint8_t(60 + i), 90);
  e.send(command::midi_activity);
  e.d.process(&midi);
  EXPECT_EQ(e.send(command::midi_activity), 1);
  EXPECT_EQ(e.send(command::midi_activity), 0);
  EXPECT_GT(e.send(command::voices_rendered), 0);
}

TEST(commands, parameters_and_names_read_and_write_through_the_record) {
  editor e;
  plugin::command_args a;
  a.index = synth::p::filter_frequency;
  e.send(command::param_name, a);
  EXPECT_STREQ(a.text, "Frequency");
  EXPECT_STREQ(e.text_out, "Frequency");
  a.value = 0.25f;
  e.send(command::write_param, a);
  e.send(command::read_param, a);
  EXPECT_FLOAT_EQ(a.value, 0.25f);
  a.index = synth::p::env_a_attack;
  a.value = 1.f;
  EXPECT_EQ(e.send(command::param_trial_display, a), 1);
  EXPECT_STREQ(e.text_out, "10.0 s");
  a.index = synth::p::voices;
  e.send(command::param_display, a);
  EXPECT_STREQ(e.text_out, "Poly 16");
  EXPECT_EQ(e.send(command::param_group, synth::p::filter_frequency), 14);
  a.index = 14;
  e.send(command::group_name, a);
  EXPECT_STREQ(a.text, "Filter");
  a.index = synth::p::volume;
  e.send(command::param_descriptor, a);
  EXPECT_FLOAT_EQ(static_cast<const synth::param_info*>(a.pointer)->def, 0.75f);

  const std::string long_name(100, 'n');
  e.send(command::set_preset_name, -1, long_name.c_str());
  a.index = -1;
  e.send(command::preset_name, a);
  EXPECT_EQ(std::string(a.text), long_name.substr(0, 63));
  e.send(command::set_preset_category, 7, "Pads");
  a.index = 7;
  e.send(command::preset_category, a);
  EXPECT_STREQ(a.text, "Pads");
  e.send(command::set_bank_name, 0, "My bank");
  e.send(command::bank_name, a);
  EXPECT_STREQ(a.text, "My bank");
}

TEST(commands, pcm_wave_names_count_from_the_end_for_negative_indices) {
  editor e;
  plugin::command_args a;
  a.index = -1;
  e.send(command::pcm_name, a);
  EXPECT_EQ(a.text, nullptr);
  for (const char* name : {"one", "two"}) {
    test_support::wave_builder w;
    w.format(1, 1, 44100, 16).data16({0, 1000, 0, -1000});
    const std::string path = write_file(std::string(name) + ".wav", w.bytes());
    a.text = path.c_str();
    e.send(command::load_wave, a);
    EXPECT_EQ(a.result.substr(0, 11), "Loaded wave");
  }
  EXPECT_EQ(e.send(command::pcm_count), 2);
  a.index = -1;
  e.send(command::pcm_name, a);
  EXPECT_STREQ(a.text, "two");
  a.index = 0;
  e.send(command::pcm_name, a);
  EXPECT_STREQ(a.text, "one");
  a.index = 2;
  e.send(command::pcm_name, a);
  EXPECT_EQ(a.text, nullptr);
}

// Waves one, two, three; program 0 plays "three" on osc A and "two" on osc
// B, program 5 plays "one" on osc A.
TEST(commands, replacing_keeps_the_list_and_removing_moves_the_waveforms_that_named_later_waves) {
  editor e;
  synth::synth& engine = e.d.p->engine();
  plugin::command_args a;
  for (const char* name : {"one", "two", "three"}) {
    test_support::wave_builder w;
    w.format(1, 1, 44100, 16).data16({0, 1000, 0, -1000});
    const std::string path = write_file(std::string(name) + ".wav", w.bytes());
    a.text = path.c_str();
    e.send(command::load_wave, a);
  }
  ASSERT_EQ(e.send(command::pcm_count), 3);
  constexpr float pcm0 = float(synth::waveform::count);
  engine.set_param(synth::p::osc_a_waveform, 0, pcm0 + 2);
  engine.set_param(synth::p::osc_b_waveform, 0, pcm0 + 1);
  engine.set_param(synth::p::osc_a_waveform, 5, pcm0);
  engine.set_param(synth::p::osc_b_waveform, 5, 2.f);  // a ramp: no PCM

  test_support::wave_builder longer;
  longer.format(1, 1, 44100, 16).data16(std::vector<int16_t>(100, 500));
  const std::string four = write_file("four.wav", longer.bytes());
  a.index = 1;
  a.text = four.c_str();
  e.send(command::replace_wave, a);
  EXPECT_EQ(a.result.substr(0, 11), "Loaded wave");
  EXPECT_EQ(e.send(command::pcm_count), 3);
  a.index = 1;
  e.send(command::pcm_name, a);
  EXPECT_STREQ(a.text, "four");
  EXPECT_EQ(engine.pcms().at(1)->length, 100);
  a.index = 7;
  a.text = four.c_str();
  e.send(command::replace_wave, a);
  EXPECT_NE(a.result.find("No such PCM wave"), std::string::npos) << a.result;

  e.send(command::remove_wave, 0);  // "one" goes: "four" and "three" move down
  ASSERT_EQ(e.send(command::pcm_count), 2);
  EXPECT_EQ(engine.get_param(synth::p::osc_a_waveform, 0), pcm0 + 1) << "still three";
  EXPECT_EQ(engine.get_param(synth::p::osc_b_waveform, 0), pcm0) << "still four";
  EXPECT_EQ(engine.get_param(synth::p::osc_a_waveform, 5), 0.f) << "the removed wave's oscillator is off";
  EXPECT_EQ(engine.get_param(synth::p::osc_b_waveform, 5), 2.f) << "built-in waveforms stay";
  e.send(command::remove_wave, 5);  // no such wave: nothing changes
  EXPECT_EQ(e.send(command::pcm_count), 2);
  EXPECT_EQ(engine.get_param(synth::p::osc_a_waveform, 0), pcm0 + 1);
}

TEST(commands, file_commands_put_their_outcome_texts_into_the_result) {
  editor e;
  plugin::command_args a;
  const std::string missing = scratch_file("missing.vornpreset");
  a.text = missing.c_str();
  e.send(command::load_preset, a);
  EXPECT_EQ(a.result, "couldn't access file (invalid path/filename?)");
  const std::string bank = scratch_file("saved.vornbank");
  e.send(command::set_bank_name, 0, "Saved");
  a.text = bank.c_str();
  e.send(command::save_bank, a);
  EXPECT_EQ(a.result, "");
  a.text = bank.c_str();
  e.send(command::load_bank, a);
  EXPECT_EQ(a.result, "loaded bank \"Saved\"");
  const std::string preset = scratch_file("one.vornpreset");
  a.text = preset.c_str();
  e.send(command::save_preset, a);
  EXPECT_EQ(a.result, "saved preset");
  e.send(command::load_preset, a);
  EXPECT_EQ(a.result, "loaded preset ?");
  const std::string map = scratch_file("map.vornmidiccmap");
  a.text = map.c_str();
  e.send(command::save_cc_map, a);
  EXPECT_EQ(a.result, "");
  e.send(command::load_cc_map, a);
  EXPECT_EQ(a.result, "");
}

// A load that fails leaves the instance as it was and says why, as the preset
// and bank loads do: a controller map, a state, a .wavs list.
TEST(commands, failed_loads_change_nothing_and_say_why) {
  editor e;
  synth::synth& engine = e.d.p->engine();
  const synth::cc_pair pairs[] = {{74, synth::p::filter_frequency}, {7, synth::p::master_volume}};
  engine.controller_map().load(pairs, 2);
  e.send(command::set_bank_name, 0, "Kept");
  test_support::wave_builder w;
  w.format(1, 1, 44100, 16).data16({0, 1000, 0, -1000});
  const std::string wave = write_file("kept.wav", w.bytes());
  plugin::command_args a;
  a.text = wave.c_str();
  e.send(command::load_wave, a);
  ASSERT_EQ(e.send(command::pcm_count), 1);
  const float volume = engine.get_param(synth::p::volume, 0);

  std::vector<uint8_t> junk(700);
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = uint8_t(i * 37 + 11);
  // A "vorn" header whose size runs past the file, and a map header with none.
  std::vector<uint8_t> short_state = {'v', 'o', 'r', 'n', 0, 1, 0, 0, 'k', 'v', 'x', 'b'};
  std::vector<uint8_t> short_map = {'m', 'd', 'c', 'c', 40, 0, 0, 0, 4, 0, 0, 0};
  struct failing {
    int number;
    std::string path;
    std::string result;
  } cases[] = {
      {command::load_cc_map, write_file("junk.vornmidiccmap", junk), "invalid MIDI CC map chunk id"},
      {command::load_cc_map, write_file("short.vornmidiccmap", short_map), "invalid MIDI CC map chunk id"},
      {command::load_state, write_file("junk.vornstate", junk), "invalid state chunk id"},
      {command::load_state, write_file("short.vornstate", short_state), "invalid state chunk id"},
      {command::load_wave, write_file("junk.wavs", junk),
       "Failed to load all files from .wavs list!\nFailed on 7 lines"},
  };
  for (const failing& c : cases) {
    SCOPED_TRACE(c.path);
    engine.controller_map().load(pairs, 2);
    a.text = c.path.c_str();
    e.send(c.number, a);
    EXPECT_EQ(a.result, c.result);
    EXPECT_EQ(engine.controller_map().entry(74), synth::p::filter_frequency);
    EXPECT_EQ(engine.controller_map().entry(7), synth::p::master_volume);
    EXPECT_EQ(engine.presets().name, "Kept");
    EXPECT_EQ(engine.get_param(synth::p::volume, 0), volume);
    EXPECT_EQ(e.send(command::pcm_count), 1);
  }

  // A map file that holds no pairs is a map, and clears the map.
  engine.controller_map().clear();
  const std::string empty = scratch_file("empty.vornmidiccmap");
  a.text = empty.c_str();
  e.send(command::save_cc_map, a);
  engine.controller_map().load(pairs, 2);
  e.send(command::load_cc_map, a);
  EXPECT_EQ(a.result, "");
  EXPECT_EQ(engine.controller_map().entry(74), synth::cc_map::unmapped);
}

TEST(commands, preset_commands_fill_rename_and_randomise_the_bank) {
  editor e;
  e.send(command::set_preset_name, 3, "Three");
  e.send(command::fill_with_preset, 3);
  plugin::command_args a;
  a.index = 100;
  e.send(command::preset_name, a);
  EXPECT_STREQ(a.text, "Three");
  e.send(command::factory_reset, 100);
  e.send(command::preset_name, a);
  EXPECT_STREQ(a.text, "Reset");
  e.send(command::gm_melodic_names);
  a.index = 8;
  e.send(command::preset_name, a);
  EXPECT_STREQ(a.text, "Celesta");
  const float before = e.d.p->engine().program(8).get(synth::p::filter_frequency);
  e.send(command::randomise_preset, 8);
  EXPECT_NE(e.d.p->engine().program(8).get(synth::p::filter_frequency), before);
  EXPECT_EQ(e.send(command::save_start_bank), 1);
  EXPECT_EQ(e.send(command::load_start_bank), 1);
  // Every later instance of this process would start with this bank.
  std::filesystem::remove(std::filesystem::path(std::getenv("VORN_DATA_DIR")) / "init.vornbank");
}

TEST(commands, load_sequence_results_for_no_path_the_loaded_one_unreadable_and_unknown_files) {
  editor e;
  plugin::command_args a;
  EXPECT_EQ(e.send(command::load_sequence, a), plugin::sequence_load_result::no_path);
  a.text = "";
  EXPECT_EQ(e.send(command::load_sequence, a), plugin::sequence_load_result::no_path);
  std::vector<test_support::kvx_cell> cells(64 * 2);
  cells[0].note_byte = 0x80 | 40;
  const std::string song = write_file("two.kvxs", test_support::kvx1_file(6, 125, 2, 1, "Two Channels", cells));
  a.text = song.c_str();
  EXPECT_EQ(e.send(command::load_sequence, a), plugin::sequence_load_result::loaded);
  EXPECT_EQ(e.d.p->player().mode(), sequencer::player::playing);
  EXPECT_EQ(e.d.p->engine().presets().name, "Two Channels");
  EXPECT_EQ(e.send(command::poll_changes) & 2, 2);
  e.d.process(nullptr);
  // The same path again: nothing is read, the song plays on.
  e.send(command::set_bank_name, 0, "renamed");
  EXPECT_EQ(e.send(command::load_sequence, a), plugin::sequence_load_result::already_loaded);
  EXPECT_EQ(e.d.p->engine().presets().name, "renamed");
  EXPECT_EQ(e.d.p->player().mode(), sequencer::player::playing);
  EXPECT_EQ(e.send(command::poll_changes) & 2, 2);

  const std::string missing = scratch_file("missing.ahx");
  a.text = missing.c_str();
  EXPECT_EQ(e.send(command::load_sequence, a), plugin::sequence_load_result::unreadable);
  const std::string junk = write_file("junk.kvxs", {'J', 'U', 'N', 'K', 1, 2, 3});
  a.text = junk.c_str();
  EXPECT_EQ(e.send(command::load_sequence, a), plugin::sequence_load_result::not_a_sequence);
  EXPECT_FALSE(a.result.empty());
  EXPECT_EQ(e.d.p->player().mode(), sequencer::player::stopped);
  EXPECT_EQ(e.d.p->song().name, "Two Channels");  // the song stays

  e.send(command::start_stop_sequence);
  EXPECT_EQ(e.d.p->player().mode(), sequencer::player::playing);
  e.send(command::sequence_loop, 0, nullptr, 3);
  EXPECT_EQ(e.d.p->player().loop_limit(), 3);
  e.send(command::start_stop_sequence);
  EXPECT_EQ(e.d.p->player().mode(), sequencer::player::stopped);
}

TEST(commands, voice_and_meter_displays_follow_a_played_note) {
  editor e;
  test_support::midi_block midi;
  midi.add(0, 0x90, 64, 100);
  e.d.process(&midi);
  const int slot = e.send(command::last_slot);
  ASSERT_GE(slot, 0);
  EXPECT_EQ(e.send(command::displayed_slot), slot);
  plugin::command_args a;
  a.index = slot;
  EXPECT_EQ(e.send(command::voice_sounding, a), 1);
  EXPECT_EQ(e.send(command::voice_age, a), 512);
  const int state = e.send(command::displayed_voice_state);
  EXPECT_EQ((state >> 8) & 0xFF, 64);
  EXPECT_EQ(state & 24, 24);  // key down, sounding
  EXPECT_LE(e.send(command::voice_activity, a), 1);  // attack or decay of Env A
  EXPECT_GT(a.value, 0.f);
  a.index = 999;
  EXPECT_EQ(e.send(command::voice_activity, a), -1);
  EXPECT_EQ(e.send(command::meter_active), 1);
  float levels[2] = {-1.f, -1.f};
  a.pointer = levels;
  e.send(command::output_levels, a);
  EXPECT_GT(levels[0], 0.f);
  EXPECT_EQ(e.send(command::engine_running), 1);
  a.index = 0;
  e.send(command::route_row, a);
  auto* row = static_cast<synth::route*>(a.pointer);
  ASSERT_NE(row, nullptr);
  row->source_class = synth::route_source::constant;
  row->source_index = synth::route_constant_one;
  row->dest_class = synth::route_dest_parameter;
  row->dest_index = synth::p::filter_frequency;
  row->mode = synth::route_mode::add;
  row->depth = 0.5f;
  e.send(command::route_row_edited, 0);
  EXPECT_TRUE(e.d.p->engine().routes().is_routed(synth::p::filter_frequency));
  e.send(command::set_effect_slot, 2, "Tremolo");
  a.index = 2;
  e.send(command::effect_slot, a);
  ASSERT_NE(a.pointer, nullptr);
  EXPECT_STREQ(static_cast<fx::effect*>(a.pointer)->name(), "Tremolo");
  e.send(command::set_saw_count, 0, nullptr, 5);
  EXPECT_EQ(e.send(command::saw_count), 5);
}

}  // namespace
