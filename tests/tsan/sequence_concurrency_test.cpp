// The editor loads, starts and stops songs, sends every command that takes
// the engine lock and edits routes while the audio thread plays the song and
// MIDI. Under ThreadSanitizer any unsynchronised access fails the run; the
// song, the bank name and the player end in one consistent state.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "plugin/synth_command.h"
#include "tests/support/direct_plugin.h"
#include "tests/support/kvx_builder.h"
#include "tests/support/scratch.h"

namespace {

namespace command = plugin::command;

std::string write_song(const std::filesystem::path& dir, const std::string& name, int channels) {
  std::vector<test_support::kvx_cell> cells(size_t(64 * channels));
  for (int r = 0; r < 64; r += 2)
    for (int j = 0; j < channels; ++j) cells[size_t(r * channels + j)] = {0x80 | (30 + r % 24 + j), -1, r % 8 ? -1 : 28, 0x12};
  const std::vector<uint8_t> bytes = test_support::kvx1_file(1, 255, channels, 2, name, cells);
  const std::filesystem::path path = dir / (name + ".kvxs");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path.string();
}

}  // namespace

TEST(concurrency, songs_load_start_and_stop_and_locked_commands_run_while_the_audio_thread_plays) {
  const std::filesystem::path dir = test_support::make_scratch_dir("vorn-tsan-sequence");
  const std::string songs[2] = {write_song(dir, "Four", 4), write_song(dir, "Six", 6)};
  test_support::direct_plugin d;
  const plugin::editor_link link = d.p->editor_connection();
  auto send = [&](int number, int index = 0, const char* text = nullptr, int value = 0) {
    plugin::command_args a;
    char out[plugin::command_text_capacity];
    float levels[2];
    a.index = index;
    a.text = text;
    a.number = value;
    a.text_out = out;
    if (number == command::output_levels) a.pointer = levels;
    return link.command(&a, link.context, number);
  };
  std::atomic<bool> stop{false};

  std::thread audio([&] {
    test_support::midi_block midi;
    for (int block = 0; block < 300; ++block) {
      midi.clear();
      midi.add(0, 0x90, uint8_t(50 + block % 30), 100);
      midi.add(200, 0x80, uint8_t(50 + (block + 20) % 30), 0);
      d.process(&midi, 256);
    }
    stop = true;
  });

  const int locked[] = {command::clear_waves, command::clear_cc_map, command::unmap_controller,
                        command::set_saw_count, command::voice_age, command::voice_sounding,
                        command::slot_count, command::last_slot, command::displayed_slot,
                        command::displayed_voice_state, command::envelope_state, command::voice_activity,
                        command::lfo_state, command::output_levels, command::poll_changes,
                        command::start_stop_sequence, command::sequence_loop};
  int i = 0;
  while (!stop) {
    if (i % 25 == 0) send(command::load_sequence, 0, songs[(i / 25) % 2].c_str());
    send(locked[i % std::size(locked)], i % 4, nullptr, 1 + i % 3);
    if (i % 7 == 0) {
      plugin::command_args a;
      a.index = i % synth::route_count;
      link.command(&a, link.context, command::route_row);
      auto* row = static_cast<synth::route*>(a.pointer);
      row->source_class = synth::route_source::constant;
      row->source_index = synth::route_constant_one;
      row->dest_class = synth::route_dest_parameter;
      row->dest_index = synth::p::filter_frequency + i % 3;
      row->mode = synth::route_mode::add;
      row->depth = float(i % 5) * 0.1f;
      send(i % 2 ? command::route_row_edited : command::route_rows_edited, a.index);
    }
    ++i;
  }
  audio.join();
  const std::string name = d.p->song().name;
  EXPECT_TRUE(name == "Four" || name == "Six") << name;
  EXPECT_EQ(d.p->engine().presets().name, name);
  EXPECT_EQ(d.p->song().channels, name == "Four" ? 4 : 6);
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
}
