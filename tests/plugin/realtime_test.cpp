// The processing call must never touch the heap. Every allocation in this
// executable (and in the instance it drives) passes the counters of
// heap_counter.h; counting is switched on only around processReplacing.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

#include <filesystem>
#include <fstream>
#include <string>

#include "fx/chain.h"
#include "plugin/synth_command.h"
#include "tests/support/direct_plugin.h"
#include "tests/support/heap_counter.h"
#include "tests/support/kvx_builder.h"
#include "tools/ahx/module.h"

TEST(realtime, processing_never_allocates_across_notes_programs_routes_and_controllers) {
#ifndef VORN_COUNT_ALLOCATIONS
  GTEST_SKIP() << "the sanitizer runtime owns the allocator in this build";
#else
  test_support::direct_plugin d;
  test_support::midi_block midi;
  synth::synth& engine = d.p->engine();
  engine.set_flag(synth::engine_flag::use_program_change, true);
  engine.set_flag(synth::engine_flag::immediate_program, true);
  d.e->setParameter(d.e, synth::p::unison_voices, 0.2f);  // a few unison layers
  d.process(nullptr);                                     // warm-up outside the count

  int total = 0;
  auto counted = [&](test_support::midi_block* m) {
    counting = true;
    d.process(m);
    counting = false;
    total += heap_calls.exchange(0);
  };
  for (int round = 0; round < 40; ++round) {
    midi.clear();
    midi.add(0, 0x90, uint8_t(48 + round % 24), 100);
    midi.add(100, 0x90, uint8_t(60 + round % 12), 90);
    midi.add(200, 0xB0, 1, uint8_t(round * 3));         // a route source
    midi.add(300, 0xE0, 0, uint8_t(round * 3));         // bend
    if (round % 7 == 0) midi.add(400, 0xC0, uint8_t(round % 5), 0);  // program change
    midi.add(500, 0x80, uint8_t(48 + (round + 20) % 24), 0);
    counted(&midi);
    // Between blocks, as a host or the editor would.
    d.e->setParameter(d.e, round % 89, float(round % 10) / 10.f);
    synth::route r;
    r.source_class = synth::route_source::controller;
    r.source_index = 1;
    r.dest_class = synth::route_dest_parameter;
    r.dest_index = synth::p::filter_frequency;
    r.mode = synth::route_mode::add;
    r.depth = float(round % 3) * 0.25f;
    engine.set_route(round % 16, r);
    engine.controller_map().arm_learn(synth::p::shaper_depth);
    counted(nullptr);
  }
  EXPECT_EQ(total, 0);
#endif
}

TEST(realtime, processing_never_allocates_with_four_effects_and_their_changes) {
#ifndef VORN_COUNT_ALLOCATIONS
  GTEST_SKIP() << "the sanitizer runtime owns the allocator in this build";
#else
  test_support::direct_plugin d;
  test_support::midi_block midi;
  fx::chain& chain = d.p->engine().effects();
  const char* names[4] = {"Reverb", "mDelay", "Limiter", "Follower"};
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(chain.set_effect(i, names[i]));
  d.process(nullptr);  // warm-up outside the count
  int total = 0;
  for (int round = 0; round < 40; ++round) {
    midi.clear();
    midi.add(0, 0x90, uint8_t(48 + round % 24), 100);
    midi.add(300, 0x80, uint8_t(48 + (round + 20) % 24), 0);
    counting = true;
    d.process(&midi);
    counting = false;
    total += heap_calls.exchange(0);
    // Between blocks, as the editor would: values of every slot (a delay
    // time, the reverb's decay; the allocation a structural value needs
    // happens here, outside the processing call).
    chain.slot(1)->set_value(0, float(round % 10) / 10.f);
    chain.slot(0)->set_value(16, float(round % 7) / 7.f);
    chain.slot(2)->set_value(6, float(round % 3) / 3.f);
    if (round % 9 == 0) chain.slot(0)->set_value(15, float(round % 4) / 4.f);
  }
  EXPECT_EQ(total, 0);
#endif
}

// A song written into the private data folder of this test program.
static std::string song_file(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::filesystem::path dir = std::getenv("VORN_DATA_DIR");
  std::filesystem::create_directories(dir);
  const std::filesystem::path path = dir / name;
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path.string();
}

TEST(realtime, playing_songs_never_allocates_through_rows_commands_playlists_and_their_ends) {
#ifndef VORN_COUNT_ALLOCATIONS
  GTEST_SKIP() << "the sanitizer runtime owns the allocator in this build";
#else
  // An own song with arpeggios, slides, retriggers and delays; an AHX module
  // whose instrument runs a playlist with every effect and both sweeps.
  std::vector<test_support::kvx_cell> cells(64 * 2);
  const int commands[] = {63, 1, 14, 15, 27, 28, 13, 23, 9, 10, 16, 17};
  for (int r = 0; r < 64; ++r) cells[size_t(r * 2)] = {0x80 | (30 + r % 30), r % 3 ? -1 : 0, commands[r % 12], 0x35};
  cells[2 * 63 + 1] = {0, -1, 11, 0};  // the pass ends
  const std::string own = song_file("rt.kvxs", test_support::kvx1_file(1, 255, 2, 1, "rt", cells));
  ahx::module m;
  m.version = 1;
  m.rows = 8;
  m.positions = {{ahx::track_ref{1, 0}, {1, 7}, {1, -5}, {1, 12}}};
  m.tracks.assign(2, std::vector<ahx::row>(8));
  for (int r = 0; r < 8; ++r) m.tracks[1][size_t(r)] = {20 + r, 1, r % 2 ? 0xC : 0xF, r % 2 ? 0x30 : 0x01};
  ahx::instrument in;
  in.square_lower = 8, in.square_upper = 50, in.square_speed = 1;
  in.filter_lower = 5, in.filter_upper = 40, in.filter_speed = 1;
  in.hard_cut_ticks = 1;
  for (int e = 0; e < 8; ++e) {
    ahx::entry en;
    en.fx[0] = e == 5 ? 0 : e;
    en.fx_param[0] = e == 4 ? 0x11 : 0x10 + e;
    en.waveform = 1 + e % 4;
    en.note = e;
    in.playlist.push_back(en);
  }
  in.playlist.back().fx[1] = 5;  // back to the first step
  m.instruments = {in};
  const std::string module = song_file("rt.ahx", ahx::write_module(m));

  test_support::direct_plugin d;
  const plugin::editor_link link = d.p->editor_connection();
  int total = 0;
  for (const std::string& path : {own, module}) {
    plugin::command_args a;
    a.text = path.c_str();
    ASSERT_EQ(link.command(&a, link.context, plugin::command::load_sequence), 0);
    a.number = 1;
    link.command(&a, link.context, plugin::command::sequence_loop);
    for (int block = 0; block < 120; ++block) {
      counting = true;
      d.process(nullptr);
      counting = false;
      total += heap_calls.exchange(0);
    }
  }
  EXPECT_EQ(total, 0);
#endif
}
