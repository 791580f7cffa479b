// The song loaders on files written from their layouts: own sequence files
// bit by bit, AHX modules by the module writer of vorn-ahx (and the worked
// example of the format notes byte for byte).
#include <gtest/gtest.h>

#include <cmath>

#include "sequencer/song_load.h"
#include "synth/param_table.h"
#include "tests/support/kvx_builder.h"
#include "tests/sequencer/ahx_worked_example.h"
#include "tools/ahx/module.h"

namespace {

using test_support::bytes;
using test_support::kvx_cell;
namespace p = synth::p;

sequencer::load_context init_context(int pcm_count = 0) {
  sequencer::load_context c;
  synth::build_factory_init(c.init);
  c.pcm_count = pcm_count;
  return c;
}

int load(const bytes& b, sequencer::song_load& out, int pcm_count = 0) {
  return sequencer::parse_song(b.data(), b.size(), init_context(pcm_count), out);
}

kvx_cell note_cell(int note_byte) {
  kvx_cell c;
  c.note_byte = note_byte;
  return c;
}

TEST(kvx1, two_channels_one_position_make_two_patterns_and_the_cells_decode) {
  std::vector<kvx_cell> cells(64 * 2);
  cells[0] = note_cell(0x8D);                 // row 0, channel 0: note 24, retrigger
  cells[1] = {0x6E, 5, 63, -1};               // row 0, channel 1: release, instrument 5, command 0
  cells[2 * 3 + 1] = {0x01, -1, 63, -1};      // flags 0101: a note and command 63, no parameter
  cells[2 * 4] = {0x0D, -1, 28, 0x30};        // no retrigger; "s " 0x30
  const bytes f = test_support::kvx1_file(4, 150, 2, 1, "first", cells);
  sequencer::song_load out;
  ASSERT_EQ(load(f, out), sequencer::load_ok);
  const sequencer::song& s = out.tune;
  EXPECT_EQ(s.name, "first");
  EXPECT_EQ(s.speed, 4);
  EXPECT_EQ(s.tempo, 150);  // above 127: read unsigned
  EXPECT_EQ(s.channels, 2);
  EXPECT_EQ(s.fourth, 255);
  EXPECT_EQ(s.swing, 0);
  ASSERT_EQ(s.pattern_count, 2);
  ASSERT_EQ(s.length(), 1);
  EXPECT_EQ(s.rows_per_pattern, 64);
  EXPECT_EQ(s.positions[0][1].pattern, 1);
  EXPECT_EQ(s.positions[0][1].transpose, 0);
  EXPECT_EQ(s.at(0, 0, 0).note, 24);
  EXPECT_EQ(s.at(0, 0, 0).retrigger, 1);
  EXPECT_EQ(s.at(0, 1, 0).note, sequencer::note_code::release);
  EXPECT_EQ(s.at(0, 1, 0).instrument, 5);
  EXPECT_EQ(s.at(0, 1, 0).command, 0);
  const sequencer::cell& flagged = s.at(0, 1, 3);
  EXPECT_EQ(flagged.note, 12);
  EXPECT_EQ(flagged.instrument, -1);
  EXPECT_EQ(flagged.command, 0);
  EXPECT_EQ(flagged.parameter, 0);
  EXPECT_EQ(s.at(0, 0, 4).note, 24);
  EXPECT_EQ(s.at(0, 0, 4).retrigger, 0);
  EXPECT_EQ(s.at(0, 0, 4).command, 28);
  EXPECT_EQ(s.at(0, 0, 4).parameter, 0x30);
  EXPECT_EQ(s.at(0, 0, 63).note, sequencer::note_code::none);
  EXPECT_TRUE(out.presets.empty());
  EXPECT_FALSE(out.fills_bank);
}

TEST(kvx1, unusable_headers_are_refused_and_missing_pattern_bits_read_as_empty) {
  sequencer::song_load out;
  EXPECT_EQ(load(test_support::kvx1_file(6, 125, 0, 1, "x", {}), out), sequencer::load_unknown);
  EXPECT_EQ(load(test_support::kvx1_file(6, 125, 17, 1, "x", {}), out), sequencer::load_unknown);
  EXPECT_EQ(load(test_support::kvx1_file(6, 125, 2, 0, "x", {}), out), sequencer::load_unknown);
  EXPECT_EQ(load(bytes{'K', 'V', 'X', '1', 6}, out), sequencer::load_unknown);
  bytes cut = test_support::kvx1_file(6, 125, 4, 3, "cut", {note_cell(0x30)});
  cut.resize(40);  // the header and a few bytes of patterns
  ASSERT_EQ(load(cut, out), sequencer::load_ok);
  EXPECT_EQ(out.tune.pattern_count, 12);
  EXPECT_EQ(out.tune.at(0, 0, 0).note, 0x30 + 11);
  EXPECT_EQ(out.tune.at(2, 3, 63).note, sequencer::note_code::none);
}

TEST(kvx2, positions_beyond_the_last_group_use_it_and_commands_are_renumbered) {
  test_support::kvx2_song k;
  k.speed = 5;
  k.swing = 12;
  k.tempo = 200;
  k.fourth = 77;
  k.groups = 2;
  k.channels = 3;
  k.cells.resize(2 * 64 * 3);
  k.cells[0] = {0x30, -1, 31, 0x40};  // 31 becomes 9
  k.cells[1] = {0, -1, 12, 0x10};     // 12 becomes 37 without the adjustment flag
  k.positions = {1, 0, 9};
  sequencer::song_load out;
  ASSERT_EQ(load(test_support::kvx2_file(k), out), sequencer::load_ok);
  const sequencer::song& s = out.tune;
  EXPECT_EQ(s.speed, 5);
  EXPECT_EQ(s.swing, 12);
  EXPECT_EQ(s.tempo, 200);
  EXPECT_EQ(s.fourth, 77);
  ASSERT_EQ(s.length(), 3);
  EXPECT_EQ(s.positions[0][2].pattern, 3 * 1 + 2);
  EXPECT_EQ(s.positions[2][0].pattern, 3 * 1 + 0);  // byte 9 > g - 1: group 1
  EXPECT_EQ(s.at(1, 0, 0).command, 9);
  EXPECT_EQ(s.at(1, 1, 0).command, 37);
  EXPECT_TRUE(out.presets.empty());  // "END!": no instruments
  EXPECT_FALSE(out.replaces_pcms);   // and no samples: the PCM list stays

  k.flags = 2 | 1;  // adjusted, counted name
  k.name = "a longer name than twenty-four characters";
  ASSERT_EQ(load(test_support::kvx2_file(k), out), sequencer::load_ok);
  EXPECT_EQ(out.tune.name, k.name);
  EXPECT_EQ(out.tune.at(1, 1, 0).command, 12);
  k.flags = 0x83;  // bit 7: the flags count as 0
  k.name = "short";
  ASSERT_EQ(load(test_support::kvx2_file(k), out), sequencer::load_ok);
  EXPECT_EQ(out.tune.name, "short");
  EXPECT_EQ(out.tune.at(1, 1, 0).command, 37);
}

TEST(kvx2, instruments_become_presets_from_the_last_slot_down_and_samples_enter_the_pcm_list) {
  test_support::kvx2_song k;
  k.name = "kit";
  k.instruments = {test_support::kvx2_instrument("pulse", 255, 0, 64),
                   test_support::kvx2_instrument("half", 128, 5, 0),
                   test_support::kvx2_instrument("sample", 0, 8, 0)};
  test_support::kvx2_sample a;
  a.values = {1, 2, 3, 0xF};
  a.bits = 4;
  a.exponent = 1;
  a.loop_flags = 1;
  a.loop_start = 1;
  a.loop_end = 9;  // limited to length - 1
  test_support::kvx2_sample b;
  b.values = {0x80, 0x7F};
  k.samples = {a, b};
  sequencer::song_load out;
  ASSERT_EQ(load(test_support::kvx2_file(k), out), sequencer::load_ok);
  EXPECT_EQ(out.tune.instrument_count, 3);
  ASSERT_EQ(out.presets.size(), 3u);
  EXPECT_EQ(out.presets[0].first, 2);
  EXPECT_EQ(out.presets[2].first, 0);
  const synth::preset& pulse = out.presets[0].second;
  EXPECT_EQ(pulse.name, "pulse");
  EXPECT_EQ(pulse.category, "kit");
  EXPECT_FLOAT_EQ(pulse.get(p::volume), 0.75f);
  EXPECT_EQ(pulse.get(p::osc_a_waveform), 1.f);
  EXPECT_FLOAT_EQ(pulse.get(p::osc_a_width), 64.f / 128.f - 1.f);
  const synth::preset& half = out.presets[1].second;
  const double db = 20.0 * std::log10(128.0 / 255.0);
  EXPECT_NEAR(half.get(p::volume), (1.0 + db / 48.0) * 0.75, 1e-6);
  EXPECT_EQ(half.get(p::osc_a_level), 0.f);
  EXPECT_EQ(half.get(p::noise_level), 0.75f);
  const synth::preset& sample = out.presets[2].second;
  EXPECT_EQ(sample.get(p::volume), 0.f);                  // level 0: below -48 dB
  EXPECT_EQ(sample.get(p::osc_a_waveform), 6.f + 2 - 1);  // waveform 8: the last of the two waves

  ASSERT_TRUE(out.replaces_pcms);
  ASSERT_EQ(out.pcms.size(), 2u);
  const synth::pcm_record& r = out.pcms[0];
  EXPECT_EQ(r.name, "pcm #1");
  EXPECT_EQ(out.pcms[1].name, "pcm #2");
  ASSERT_EQ(r.length, 4);
  EXPECT_EQ(r.frames()[0], int16_t(0xF000));  // the first value read fills the last frame
  EXPECT_EQ(r.frames()[3], 0x1000);
  EXPECT_TRUE(r.loop);
  EXPECT_EQ(r.loop_start, 1);
  EXPECT_EQ(r.loop_end, 3);
  EXPECT_EQ(out.pcms[1].frames()[0], 0x7F00);
  EXPECT_EQ(out.pcms[1].frames()[1], -0x8000);
  EXPECT_NEAR(r.frames_per_cycle / out.pcms[1].frames_per_cycle, 2.0, 1e-3);  // twice the rate

  bytes cut = test_support::kvx2_file(k);
  cut.resize(cut.size() - 1);  // the second sample's last byte: that sample is not read
  ASSERT_EQ(load(cut, out), sequencer::load_ok);
  EXPECT_EQ(out.pcms.size(), 1u);
}

// --- AHX --------------------------------------------------------------------------

TEST(ahx, the_worked_example_is_written_byte_for_byte_and_loads_back) {
  const bytes expected = {
      0x54, 0x48, 0x58, 0x00, 0x00, 0x3C, 0x80, 0x01, 0x00, 0x00, 0x04, 0x01, 0x01, 0x00, 0x01, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x64, 0x1F, 0x06, 0x00, 0x00, 0x00, 0x74, 0x10, 0x00, 0x80,
      0x1C, 0x20, 0x40, 0x03, 0x01, 0x40, 0x0A, 0x20, 0x10, 0x14, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x20, 0x3F, 0x01, 0x00, 0x01, 0x01, 0x0D, 0x81, 0x20, 0x00, 0x64, 0x65, 0x6D, 0x6F,
      0x00, 0x6C, 0x65, 0x61, 0x64, 0x00};
  const bytes written = ahx::write_module(test_support::ahx_worked_example());
  ASSERT_EQ(written, expected);

  sequencer::song_load out;
  ASSERT_EQ(load(written, out), sequencer::load_ok);
  const sequencer::song& s = out.tune;
  EXPECT_EQ(s.format, sequencer::song_format::ahx);
  EXPECT_EQ(s.name, "demo");
  EXPECT_EQ(s.channels, 4);
  EXPECT_EQ(s.rows_per_pattern, 4);
  EXPECT_EQ(s.multiplier, 1);
  EXPECT_EQ(s.length(), 1);
  EXPECT_EQ(s.pattern_count, 2);
  EXPECT_EQ(s.positions[0][0].pattern, 1);
  EXPECT_EQ(s.at(0, 1, 0).note, sequencer::note_code::none);  // track 0, not stored: empty
  const sequencer::cell& first = s.at(0, 0, 0);
  EXPECT_EQ(first.note, 25 + 23);
  EXPECT_EQ(first.instrument, 0);
  EXPECT_EQ(first.retrigger, 1);
  EXPECT_EQ(first.command, 38);  // F06: speed 6
  EXPECT_EQ(first.parameter, 6);
  EXPECT_EQ(s.at(0, 0, 1).note, sequencer::note_code::none);
  EXPECT_EQ(s.at(0, 0, 1).retrigger, 0);
  EXPECT_EQ(s.at(0, 0, 3).command, 9);  // C20: note volume 32
  EXPECT_EQ(s.at(0, 0, 3).parameter, 32 * 4);
  ASSERT_EQ(s.instrument_count, 1);
  const sequencer::ahx_instrument& in = s.instruments[0];
  EXPECT_EQ(in.decay_ticks, 10);
  EXPECT_EQ(in.decay_volume, 32);
  EXPECT_EQ(in.sustain_ticks, 16);
  EXPECT_EQ(in.release_ticks, 20);
  EXPECT_EQ(in.square_upper, 0x3F);
  ASSERT_EQ(in.playlist.size(), 1u);
  EXPECT_EQ(in.playlist[0].waveform, 3);
  EXPECT_EQ(in.playlist[0].fx[0], 3);
  EXPECT_EQ(in.playlist[0].fx_param[0], 0x20);
  EXPECT_EQ(in.playlist[0].note, 1);
  EXPECT_TRUE(out.fills_bank);
  ASSERT_EQ(out.presets.size(), 1u);
  EXPECT_EQ(out.presets[0].first, 0);
  const synth::preset& lead = out.presets[0].second;
  EXPECT_EQ(lead.name, "lead");
  EXPECT_EQ(lead.category, "demo");
  EXPECT_FLOAT_EQ(lead.get(p::volume), 0.5f);         // volume 64: 0 dB
  EXPECT_EQ(lead.get(p::osc_a_waveform), 1.f);       // square: pulse
  EXPECT_FLOAT_EQ(lead.get(p::osc_a_width), 0.f);    // pulse position 0x20: half
  EXPECT_EQ(lead.get(p::osc_range), 2.f);            // 32-sample waves sound at the note
  EXPECT_FLOAT_EQ(lead.get(p::env_a_sustain), 0.5f);  // decay to 32 of 64
}

TEST(ahx, track_rows_translate_notes_instruments_and_commands) {
  struct expect {
    int command, parameter, want_command, want_parameter;
  };
  const expect cases[] = {
      {0x0, 0x03, 48, 3},   {0x0, 0x0A, -1, 0},  {0x1, 0x11, 14, 8},   {0x2, 0x04, 15, 2},
      {0x3, 0x20, 16, 128}, {0x4, 0x10, 12, 255}, {0x5, 0x01, 16, 128}, {0x8, 0x33, -1, 0},
      {0x9, 0x20, 21, 144}, {0xA, 0x21, 28, 0x21}, {0xB, 0x12, 35, 12}, {0xC, 0x40, 9, 255},
      {0xC, 0x10, 9, 64},   {0xC, 0x60, 22, 64},  {0xC, 0xB0, 31, 64},  {0xC, 0x45, -1, 0},
      {0xD, 0x16, 11, 16},  {0xE, 0x13, 14, 3},   {0xE, 0x25, 15, 5},   {0xE, 0x47, 17, 7},
      {0xE, 0xA2, 28, 0x20}, {0xE, 0xB3, 28, 3},  {0xE, 0xC3, -1, 0},   {0xF, 0x00, 38, 0},
  };
  ahx::module m = test_support::ahx_worked_example();
  m.rows = int(std::size(cases));
  m.tracks.assign(2, std::vector<ahx::row>(size_t(m.rows)));
  for (int r = 0; r < m.rows; ++r) m.tracks[1][size_t(r)] = {r == 0 ? 1 : 0, r == 1 ? 63 : 0, cases[r].command, cases[r].parameter};
  sequencer::song_load out;
  ASSERT_EQ(load(ahx::write_module(m), out), sequencer::load_ok);
  EXPECT_EQ(out.tune.at(0, 0, 0).note, 24);  // AHX note 1
  EXPECT_EQ(out.tune.at(0, 0, 1).instrument, 62);
  EXPECT_EQ(out.tune.at(0, 0, 1).retrigger, 1);
  for (int r = 0; r < m.rows; ++r) {
    SCOPED_TRACE(r);
    EXPECT_EQ(out.tune.at(0, 0, r).command, cases[r].want_command);
    EXPECT_EQ(out.tune.at(0, 0, r).parameter, cases[r].want_parameter);
  }
}

TEST(ahx, damaged_modules_are_refused_or_cut_where_the_data_ends) {
  sequencer::song_load out;
  bytes f = ahx::write_module(test_support::ahx_worked_example());
  bytes v2 = f;
  v2[3] = 2;
  EXPECT_EQ(load(v2, out), sequencer::load_unknown);
  bytes no_positions = f;
  no_positions[7] = 0;  // LEN 0
  EXPECT_EQ(load(no_positions, out), sequencer::load_unknown);
  bytes short_tracks(f.begin(), f.begin() + 30);  // a track row cut off
  EXPECT_EQ(load(short_tracks, out), sequencer::load_cut_short);
  bytes short_header(f.begin(), f.begin() + 10);
  EXPECT_EQ(load(short_header, out), sequencer::load_cut_short);
  bytes short_positions(f.begin(), f.begin() + 18);
  EXPECT_EQ(load(short_positions, out), sequencer::load_cut_short);
  bytes no_instrument(f.begin(), f.begin() + 50);  // the instrument cut off: none is read
  ASSERT_EQ(load(no_instrument, out), sequencer::load_ok);
  EXPECT_EQ(out.tune.instrument_count, 0);
  EXPECT_EQ(out.tune.name, "");
  bytes long_restart = f;
  long_restart[9] = 7;  // restart beyond the positions: 0
  ASSERT_EQ(load(long_restart, out), sequencer::load_ok);
  EXPECT_EQ(out.tune.restart, 0);
  bytes unknown = {'T', 'H', 'Y', 0, 0, 0};
  EXPECT_EQ(load(unknown, out), sequencer::load_unknown);
}

TEST(ahx, positions_carry_transposes_and_track_zero_is_read_when_stored) {
  ahx::module m = test_support::ahx_worked_example();
  m.version = 1;
  m.multiplier = 3;
  m.restart = 1;
  m.tracks[0][1] = {13, 0, 0, 0};
  m.positions.push_back({ahx::track_ref{0, -12}, {1, 5}, {2, 0}, {1, 127}});
  sequencer::song_load out;
  ASSERT_EQ(load(ahx::write_module(m), out), sequencer::load_ok);
  const sequencer::song& s = out.tune;
  EXPECT_EQ(s.multiplier, 3);
  EXPECT_EQ(s.restart, 1);
  EXPECT_EQ(s.version, 1);
  ASSERT_EQ(s.length(), 2);
  EXPECT_EQ(s.positions[1][0].transpose, -12);
  EXPECT_EQ(s.positions[1][3].transpose, 127);
  EXPECT_EQ(s.at(1, 0, 1).note, 13 + 23);
  EXPECT_EQ(s.at(1, 2, 0).note, sequencer::note_code::none);  // track 2 does not exist
}

}  // namespace
