// AHX modules sound as the replayer plays them: the first note of a song
// holds through playlist waveform switches and square modulation; track
// slides move the period every tick (1xx, 2xx, 3xx) and Axy the note volume;
// notes sound at the period table's pitch; a full-volume channel plays at the
// level the replayer's mixing gives it; the stereo separation runs from its
// hard sides to mono. Every expectation is worked out here from the
// replayer's rules (periods, ticks, volumes), not from the player.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "sequencer/player.h"
#include "tests/sequencer/ahx_fixture.h"
#include "tools/ahx/module.h"
#include "tools/analysis/signal.h"
#include "tools/analysis/spectrum.h"

namespace {

using test_support::ahx_player;

constexpr double rate = 44100.0;
constexpr int tick = 882;             // 20 ms at 44.1 kHz
constexpr int row = 6 * tick;         // speed 6
constexpr double pal_clock = 3546895.0;
constexpr int c3 = 25, a3 = 34, c4 = 37;  // track notes (C-1 = 1)
constexpr int c3_period = 856, c4_period = 428, a3_period = 508;

double hz_of_period(int period) { return pal_clock / (period * 32.0); }

// Figures for the report, printed when VORN_AHX_FIGURES is set.
void figure(const char* what, double value) {
  if (std::getenv("VORN_AHX_FIGURES")) std::printf("figure: %-48s %10.3f\n", what, value);
}

ahx::entry step(int waveform, int fx = 0, int param = 0) {
  ahx::entry e;
  e.waveform = waveform;
  e.note = 1;  // the track note
  e.fx[0] = fx;
  e.fx_param[0] = param;
  return e;
}
constexpr int triangle = 1, sawtooth = 2, square = 3, noise = 4;
constexpr int fx_pulse = 3, fx_modulation = 4;

// An instrument that holds at full level: attack to 64 in a tick, then 64
// for as long as the sustain and release last.
ahx::instrument held(std::vector<ahx::entry> playlist) {
  ahx::instrument in;
  in.volume = 64;
  in.attack_ticks = 1, in.attack_volume = 64;
  in.decay_ticks = 1, in.decay_volume = 64;
  in.sustain_ticks = 255, in.release_ticks = 1, in.release_volume = 64;
  in.playlist = std::move(playlist);
  return in;
}

ahx::instrument held_square() { return held({step(square, fx_pulse, 0x20)}); }  // 50 %

// One position, track 1 on channel 0 (the others silent), `rows` rows.
ahx::module one_track(int rows, ahx::instrument in, int version = 1) {
  ahx::module m;
  m.version = version;
  m.rows = rows;
  m.positions = {{ahx::track_ref{1, 0}, {0, 0}, {0, 0}, {0, 0}}};
  m.tracks.assign(2, std::vector<ahx::row>(size_t(rows)));
  m.instruments = {std::move(in)};
  return m;
}

struct rendered {
  std::vector<float> left, right;
  double db(const std::vector<float>& x, double from_s, double length_s) const {
    const size_t from = size_t(from_s * rate), n = size_t(length_s * rate);
    return analysis::amplitude_db(analysis::rms(x.data() + from, std::min(n, x.size() - from)));
  }
  double left_db(double from_s, double length_s) const { return db(left, from_s, length_s); }
  // The fundamental anywhere within two octaves of `near_hz`: the strongest
  // semitone there, refined by the fine estimate.
  double hz(size_t from, size_t n, double near_hz) const {
    double best = near_hz, strongest = -1.0;
    for (int k = -24; k <= 24; ++k) {
      const double f = near_hz * std::exp2(k / 12.0);
      const double a = analysis::tone_amplitude(left.data() + from, n, rate, f);
      if (a > strongest) strongest = a, best = f;
    }
    return analysis::fundamental_hz(left.data() + from, n, rate, best);
  }
};

rendered play(const ahx::module& m, double seconds, float separation = 1.f) {
  ahx_player a;
  a.play(m, 0);
  a.player.set_stereo_separation(separation);
  a.render(int(seconds * rate));
  return {a.left, a.right};
}

// --- the first note ----------------------------------------------------------------

TEST(ahx_fidelity, the_first_note_holds_through_a_playlist_switching_between_noise_and_a_tone) {
  // A tick of one waveform, then the other; struck at rows 0 and 8. The
  // note at row 8 is the reference: row 0 plays the same sound.
  struct switch_case {
    const char* name;
    int first, then;
  };
  for (const switch_case& s : {switch_case{"noise, then square", noise, square},
                               switch_case{"square, then noise", square, noise},
                               switch_case{"noise, then triangle", noise, triangle}}) {
    SCOPED_TRACE(s.name);
    ahx::module m = one_track(16, held({step(s.first, fx_pulse, 0x20), step(s.then, fx_pulse, 0x20)}));
    m.tracks[1][0] = {c3, 1, 0, 0};
    m.tracks[1][8] = {c3, 1, 0, 0};
    const rendered r = play(m, 16 * row / rate);
    const double reference = r.left_db(8 * row / rate + 0.1, 0.6);
    ASSERT_GT(reference, -40.0);
    double lowest = 0.0;
    for (double t = 0.04; t + 0.06 < 8 * row / rate; t += 0.06) lowest = std::min(lowest, r.left_db(t, 0.06) - reference);
    figure(s.name, lowest);
    EXPECT_GT(lowest, -2.0) << "the first note's quietest 60 ms against the same note struck again";
  }
}

TEST(ahx_fidelity, the_first_note_holds_through_version_0_square_modulation) {
  // 4xx in a version-0 playlist switches the pulse sweep on, here over the
  // upper half and over the whole range (limit 1 is below the 32-sample
  // wave's step of 4, so it turns at 4), a step every tick or every 4 ticks:
  // duties from 32/64 down to 4/64. A pulse of duty d keeps
  // sqrt(1 - (2d - 1)^2) of a square's AC level, so the note never falls
  // further below its 50 % level than that, and it keeps coming back to it.
  const double narrowest = 4.0 / 64;
  const double floor_db = analysis::amplitude_db(std::sqrt(1 - std::pow(2 * narrowest - 1, 2)));
  for (const auto& [lower, upper, speed] : {std::tuple{0x20, 0x3F, 1}, std::tuple{1, 63, 4}}) {
    SCOPED_TRACE(lower);
    ahx::instrument in = held({step(square, fx_pulse, 0x20)});
    in.playlist[0].fx[1] = fx_modulation;
    in.square_lower = lower, in.square_upper = upper, in.square_speed = speed;
    ahx::module m = one_track(64, in, 0);
    m.tracks[1][0] = {c3, 1, 0, 0};
    const double seconds = 64 * row / rate;
    const rendered r = play(m, seconds);
    const double reference = r.left_db(0.0, 0.02);
    ASSERT_GT(reference, -40.0);
    double lowest = 0.0, late_highest = -300.0;
    for (double t = 0.0; t + 0.1 < seconds; t += 0.1) {
      const double db = r.left_db(t, 0.1) - reference;
      lowest = std::min(lowest, db);
      if (t > seconds / 2) late_highest = std::max(late_highest, db);
    }
    figure(lower == 1 ? "4xx 1..63: quietest 100 ms against the first 20 ms" : "4xx 32..63: quietest 100 ms", lowest);
    EXPECT_GT(lowest, floor_db - 1.5);
    EXPECT_GT(late_highest, -1.5);
  }
}

// --- slides, portamento and volume slides, per tick --------------------------------

// C-3 struck at row 0; `command` on rows 1 .. `rows_sliding`; the pitch is
// measured over rows 6..11, where nothing moves it any more, near `approx_hz`.
double pitch_after(double approx_hz, int command, int parameter, int rows_sliding, int note_on_slide = 0) {
  ahx::module m = one_track(14, held_square());
  m.tracks[1][0] = {c3, 1, 0, 0};
  for (int r = 1; r <= rows_sliding; ++r) m.tracks[1][size_t(r)] = {r == 1 ? note_on_slide : 0, 0, command, parameter};
  const rendered r = play(m, 14 * row / rate);
  return r.hz(6 * row, 6 * row, approx_hz);
}

TEST(ahx_fidelity, slides_move_the_period_by_their_parameter_on_every_tick) {
  // Two rows of 110: 12 ticks of -16 take C-3's 856 to 664; 210: to 1048.
  // A slide's rows include their first tick.
  const double up = pitch_after(hz_of_period(664), 0x1, 0x10, 2), down = pitch_after(hz_of_period(1048), 0x2, 0x10, 2);
  figure("110 x 2 rows: end, semitones", 12 * std::log2(up / hz_of_period(c3_period)));
  figure("210 x 2 rows: end, semitones", 12 * std::log2(down / hz_of_period(c3_period)));
  EXPECT_NEAR(analysis::cents(up, hz_of_period(856 - 12 * 16)), 0.0, 3.0);
  EXPECT_NEAR(analysis::cents(down, hz_of_period(856 + 12 * 16)), 0.0, 3.0);
  // Fine slides move once, by their digit: E1F then E2F twice.
  ahx::module m = one_track(14, held_square());
  m.tracks[1][0] = {c3, 1, 0, 0};
  m.tracks[1][1] = {0, 0, 0xE, 0x1F};
  m.tracks[1][2] = {0, 0, 0xE, 0x1F};
  m.tracks[1][3] = {0, 0, 0xE, 0x2F};
  const rendered r = play(m, 14 * row / rate);
  EXPECT_NEAR(analysis::cents(r.hz(6 * row, 6 * row, hz_of_period(841)), hz_of_period(856 - 15)), 0.0, 3.0);
}

TEST(ahx_fidelity, tone_portamento_moves_at_its_speed_per_tick_and_stops_on_its_note) {
  // 308 towards C-4 (428), then 300 keeps the speed: 8 a tick. After four
  // rows (24 ticks) the period is 664, still 7.6 semitones short of C-4;
  // ten rows (60 ticks, 480) would pass it, so it stops on it.
  const double four_rows = pitch_after(hz_of_period(664), 0x3, 0x08, 4, c4);
  figure("308 x 4 rows: semitones short of C-4", 12 * std::log2(hz_of_period(c4_period) / four_rows));
  EXPECT_NEAR(analysis::cents(four_rows, hz_of_period(856 - 24 * 8)), 0.0, 3.0);
  ahx::module q = one_track(20, held_square());
  q.tracks[1][0] = {c3, 1, 0, 0};
  for (int r = 1; r <= 10; ++r) q.tracks[1][size_t(r)] = {r == 1 ? c4 : 0, 0, 0x3, r == 1 ? 0x08 : 0};
  const rendered landed = play(q, 20 * row / rate);
  EXPECT_NEAR(analysis::cents(landed.hz(12 * row, 8 * row, 260.0), hz_of_period(c4_period)), 0.0, 3.0);
}

TEST(ahx_fidelity, volume_slides_step_the_note_volume_every_tick) {
  // A04 from row 1 on: the note volume falls by 4 a tick from 64, so tick k
  // of the slide (from 0) plays at (60 - 4k) / 64, silent from tick 15.
  ahx::module m = one_track(12, held_square());
  m.tracks[1][0] = {c3, 1, 0, 0};
  for (int r = 1; r < 12; ++r) m.tracks[1][size_t(r)] = {0, 0, 0xA, 0x04};
  const rendered r = play(m, 12 * row / rate);
  const double full = r.left_db(0.02, 0.08);
  for (int k : {0, 3, 7, 11, 13}) {
    SCOPED_TRACE(k);
    const double from = (row + k * tick + 0.25 * tick) / rate;  // past the tick's short ramp
    EXPECT_NEAR(r.left_db(from, 0.5 * tick / rate) - full, analysis::amplitude_db((60.0 - 4 * k) / 64), 0.5);
  }
  size_t silent = 0;
  for (size_t i = row; i + 220 < r.left.size(); i += 220)
    if (analysis::amplitude_db(analysis::rms(r.left.data() + i, 220)) - full < -60.0) {
      silent = i;
      break;
    }
  figure("A04: seconds from the slide's start to silence", double(silent - row) / rate);
  EXPECT_NEAR(double(silent - row) / tick, 15.0, 0.5);
}

// --- pitch and level ------------------------------------------------------------

TEST(ahx_fidelity, notes_sound_at_the_period_tables_pitch) {
  struct note_case {
    int note, wavelength, transpose;
    double hz;
  };
  for (const note_case& n : {note_case{c3, 3, 0, hz_of_period(c3_period)}, note_case{a3, 3, 0, hz_of_period(a3_period)},
                             note_case{c3, 2, 0, 2 * hz_of_period(c3_period)},  // a 16-sample wave: an octave up
                             note_case{c3, 3, 12, hz_of_period(c4_period)}}) {
    SCOPED_TRACE(n.note);
    ahx::instrument in = held_square();
    in.wavelength = n.wavelength;
    ahx::module m = one_track(16, in);
    m.positions[0][0].transpose = n.transpose;
    m.tracks[1][0] = {n.note, 1, 0, 0};
    const rendered r = play(m, 1.5);
    const double hz = r.hz(size_t(0.2 * rate), size_t(1.2 * rate), n.hz);
    if (n.note == c3 && n.wavelength == 3 && n.transpose == 0) {
      figure("C-3: Hz", hz);
        figure("C-3: cents from 129.478 Hz", analysis::cents(hz, 129.478));
      EXPECT_NEAR(analysis::cents(hz, 129.478), 0.0, 1.0);
    }
    EXPECT_NEAR(analysis::cents(hz, n.hz), 0.0, 1.0);
  }
}

TEST(ahx_fidelity, a_full_volume_square_plays_at_the_replayers_level_and_four_never_clip) {
  // The replayer: sample (-128 or 127 for a 50 % square) x volume 64 / 64, two
  // channels to a side, full scale 256: RMS sqrt((128^2 + 127^2) / 2) / 256.
  const double derived = analysis::amplitude_db(std::sqrt((128.0 * 128 + 127.0 * 127) / 2) / 256.0);
  ahx::module m = one_track(16, held_square());
  m.tracks[1][0] = {c3, 1, 0, 0};
  const rendered one = play(m, 1.0);
  const double level = one.left_db(0.2, 0.6);
  figure("full-volume square: dBFS RMS (derived -6.04)", level);
  EXPECT_NEAR(level, derived, 1.0);
  EXPECT_LT(one.db(one.right, 0.2, 0.6), -80.0) << "channel 0 sounds on the left only";
  // Its triangle and sawtooth run evenly through -128..127, and so do the
  // noise table's bytes: RMS 128 / sqrt(3) / 256.
  const double even = analysis::amplitude_db(128.0 / std::sqrt(3.0) / 256.0);
  for (int waveform : {triangle, sawtooth, noise}) {
    SCOPED_TRACE(waveform);
    ahx::module w = one_track(16, held({step(waveform)}));
    w.tracks[1][0] = {c3, 1, 0, 0};
    EXPECT_NEAR(play(w, 1.0).left_db(0.2, 0.6), even, 1.0);
  }

  // Four full channels in step, two to a side, at any separation: the
  // replayer's full scale exactly, which our waves' band-limited edges
  // overshoot; the output stays within it (and close to it).
  ahx::module four = m;
  four.positions[0] = {ahx::track_ref{1, 0}, {1, 0}, {1, 0}, {1, 0}};
  for (float separation : {1.f, 0.5f, 0.f}) {
    SCOPED_TRACE(separation);
    const rendered r = play(four, 1.0, separation);
    const double peak = std::max(analysis::peak(r.left.data(), r.left.size()), analysis::peak(r.right.data(), r.right.size()));
    EXPECT_LT(peak, 1.0);
    EXPECT_GT(analysis::amplitude_db(peak), -3.0) << "and close to it";
  }
}

TEST(ahx_fidelity, stereo_separation_runs_from_the_replayers_hard_sides_to_mono_at_the_same_level) {
  // Channel 1 plays right; at separation 0 both sides carry half of it.
  ahx::module m = one_track(16, held_square());
  m.positions[0] = {ahx::track_ref{0, 0}, {1, 0}, {0, 0}, {0, 0}};
  m.tracks[1][0] = {c3, 1, 0, 0};
  const rendered hard = play(m, 1.0), half = play(m, 1.0, 0.5f), mono = play(m, 1.0, 0.f);
  EXPECT_LT(hard.left_db(0.2, 0.6), -80.0);
  const double right = hard.db(hard.right, 0.2, 0.6);
  EXPECT_NEAR(mono.left_db(0.2, 0.6), right - 6.02, 0.2);
  EXPECT_NEAR(mono.db(mono.right, 0.2, 0.6), right - 6.02, 0.2);
  // In between the right side leads, and the two sides still add up to the channel.
  const double l = half.left_db(0.2, 0.6), r = half.db(half.right, 0.2, 0.6);
  EXPECT_GT(r - l, 6.0);
  EXPECT_NEAR(20 * std::log10(std::pow(10, l / 20) + std::pow(10, r / 20)), right, 0.2);
}

}  // namespace
