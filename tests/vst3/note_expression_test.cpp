// Per-note data through the built bundle, as a host sends it: a note-on's
// own tuning and tuning expressions move only their note (measured pitch),
// at their frame; polyphonic pressure and brightness press only theirs;
// expression types the plug-in does not take, and notes it does not hold,
// change nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "files/instance_state.h"
#include "files/state_controls.h"
#include "plugin/vst3/vst3_abi.h"
#include "synth/engine.h"
#include "synth/param_table.h"
#include "synth/routes.h"
#include "tools/analysis/signal.h"
#include "tools/analysis/spectrum.h"
#include "tools/vst3host/plugin3.h"

namespace {

using namespace vst3;

constexpr double rate = 44100.0;
constexpr int32_t block = 512;
constexpr double semitone = 1.0 / 240.0;  // of a tuning expression's normalised range
// The note expression type numbers hosts send.
constexpr uint32 volume_type = 0, pan_type = 1, tuning_type = 2, vibrato_type = 3, expression_type = 4,
                 brightness_type = 5, custom_type = 100000, invalid_type = 0xFFFFFFFF;

float int_norm(int v, int min, int max) { return (float(v - min) + 0.5f) / (float(max - min) + 0.999f); }
double note_hz(double key) { return 440.0 * std::exp2((key - 69.0) / 12.0); }
double cents_off(double hz, double want) { return 1200.0 * std::log2(hz / want); }

Event note_on(int32 frame, int16 pitch, int32 id, float cents = 0.f) {
  Event e{};
  e.sampleOffset = frame;
  e.type = kNoteOnEvent;
  e.noteOn = NoteOnEvent{0, pitch, cents, 0.8f, 0, id};
  return e;
}

Event note_off(int32 frame, int16 pitch, int32 id) {
  Event e{};
  e.sampleOffset = frame;
  e.type = kNoteOffEvent;
  e.noteOff = NoteOffEvent{0, pitch, 0.5f, id, 0.f};
  return e;
}

Event expression(int32 frame, uint32 type, int32 id, double value) {
  Event e{};
  e.sampleOffset = frame;
  e.type = kNoteExpressionValueEvent;
  e.noteExpressionValue = NoteExpressionValueEvent{type, id, value};
  return e;
}

Event poly_pressure(int32 frame, int16 pitch, int32 id, float pressure) {
  Event e{};
  e.sampleOffset = frame;
  e.type = kPolyPressureEvent;
  e.polyPressure = PolyPressureEvent{0, pitch, pressure, id};
  return e;
}

// The bundle playing a plain sine (osc A sine, osc B silent, gate envelope),
// with the per-note sources routed to "Volume" when asked:
// volume x (0.5 + 0.5 x source) for each.
struct rig {
  vst3host::module_library module;
  vst3host::plugin3 plugin;
  std::vector<float> out;

  explicit rig(std::initializer_list<int32_t> volume_sources = {}) {
    std::string error;
    EXPECT_TRUE(module.open(VORN_VST3_BUNDLE, error)) << error;
    EXPECT_TRUE(plugin.create(module, error)) << error;
    std::vector<uint8_t> state;
    EXPECT_TRUE(plugin.save_state(state));
    auto engine = std::make_unique<synth::synth>();
    EXPECT_TRUE(files::read_state(state.data(), state.size(), *engine));
    engine->set_param_normalised(synth::p::osc_a_waveform, int_norm(4, 0, 5));
    engine->set_param_normalised(synth::p::osc_b_level, 0.f);
    engine->set_param_normalised(synth::p::volume_env, int_norm(0, 0, 2));
    int row = 0;
    for (int32_t source : volume_sources)
      engine->set_route(row++, files::make_route(synth::route_source::note, source, synth::route_dest_parameter,
                                                 synth::p::volume, synth::route_mode::multiply, 0.5f));
    state.assign(files::write_state(nullptr, *engine), 0);
    EXPECT_EQ(files::write_state(state.data(), *engine), state.size());
    EXPECT_TRUE(plugin.load_state(state));
    EXPECT_TRUE(plugin.start(rate, block));
  }
  // Renders whole blocks for `seconds`; `out` holds only them. Events queued
  // before go into the first block.
  void render(double seconds) {
    out.clear();
    std::vector<float> l(block), r(block);
    for (int done = 0; done < int(seconds * rate); done += block) {
      EXPECT_TRUE(plugin.process(l.data(), r.data(), block));
      out.insert(out.end(), l.begin(), l.end());
    }
  }
  // Lets levels glide to a change, then renders a steady second to measure.
  void settle_and_render() {
    render(0.2);
    render(1.0);
  }
  double hz(double approx) { return analysis::fundamental_hz(out.data(), out.size(), rate, approx); }
  double level(double key) { return analysis::tone_amplitude(out.data(), out.size(), rate, note_hz(key)); }
  void send(const Event& e) { plugin.queue_event(e); }
};

TEST(Vst3NoteExpression, NoteOnTuningAndTuningExpressionRaiseTheNoteASemitone) {
  {
    rig r;
    r.send(note_on(0, 69, 1));
    r.settle_and_render();
    const double plain = r.hz(440.0);
    std::printf("A4 untuned: %.4f Hz\n", plain);
    EXPECT_NEAR(cents_off(plain, 440.0), 0.0, 0.1);
  }
  {
    rig r;
    r.send(note_on(0, 69, 1, 100.f));  // +100 cents in the note-on
    r.settle_and_render();
    const double tuned = r.hz(note_hz(70));
    std::printf("A4 with a note-on tuning of +100 cents: %.4f Hz (A#4 %.4f)\n", tuned, note_hz(70));
    EXPECT_NEAR(cents_off(tuned, note_hz(70)), 0.0, 0.1);
  }
  {
    rig r;
    r.send(note_on(0, 69, 7));
    r.send(expression(0, tuning_type, 7, 0.5 + semitone));  // +100 cents as a tuning expression
    r.settle_and_render();
    const double tuned = r.hz(note_hz(70));
    std::printf("A4 with a tuning expression of +100 cents: %.4f Hz\n", tuned);
    EXPECT_NEAR(cents_off(tuned, note_hz(70)), 0.0, 0.1);
    // The expression adds to the note-on's tuning: -50 cents at the start,
    // then +2 semitones of expression, is 150 cents up.
    r.send(note_off(0, 69, 7));
    r.send(note_on(block / 2, 60, 8, -50.f));
    r.send(expression(block / 2, tuning_type, 8, 0.5 + 2 * semitone));
    r.render(0.2);
    r.settle_and_render();
    const double both = r.hz(note_hz(61.5));
    std::printf("C4 at -50 cents, then +2 semitones of expression: %.4f Hz (%.4f)\n", both, note_hz(61.5));
    EXPECT_NEAR(cents_off(both, note_hz(61.5)), 0.0, 0.1);
  }
}

TEST(Vst3NoteExpression, TuningMidNoteBendsOnlyItsNoteOfAChordAtItsFrame) {
  // The expression at frame 200 of a block sounds the same as the block
  // split there with the expression at the start of the second part.
  auto run = [](bool split) {
    rig r;
    r.send(note_on(0, 60, 10));
    r.send(note_on(0, 67, 11));
    r.render(0.3);
    std::vector<float> l(2 * block), rr(2 * block);
    if (split) {
      EXPECT_TRUE(r.plugin.process(l.data(), rr.data(), 200));
      r.send(expression(0, tuning_type, 11, 0.5 + semitone));
      EXPECT_TRUE(r.plugin.process(l.data() + 200, rr.data() + 200, block - 200));
    } else {
      r.send(expression(200, tuning_type, 11, 0.5 + semitone));
      EXPECT_TRUE(r.plugin.process(l.data(), rr.data(), block));
    }
    EXPECT_TRUE(r.plugin.process(l.data() + block, rr.data() + block, block));
    r.settle_and_render();
    const double low = r.hz(note_hz(60)), high = r.hz(note_hz(68));
    std::printf("chord C4 + G4, G4 given +100 cents mid-note: %.4f Hz (C4 %.4f), %.4f Hz (G#4 %.4f)\n", low,
                note_hz(60), high, note_hz(68));
    EXPECT_NEAR(cents_off(low, note_hz(60)), 0.0, 0.1);
    EXPECT_NEAR(cents_off(high, note_hz(68)), 0.0, 0.1);
    EXPECT_LT(r.level(67), 0.1 * r.level(68));  // nothing left at the old pitch
    return l;
  };
  const std::vector<float> whole = run(false);
  const std::vector<float> split = run(true);
  EXPECT_EQ(whole, split);
}

TEST(Vst3NoteExpression, PolyPressureAndBrightnessPressOnlyTheirNote) {
  rig r({synth::note_source::note_pressure, synth::note_source::note_slide});
  r.send(note_on(0, 60, 20));
  r.send(note_on(0, 67, 21));
  r.settle_and_render();
  const double low0 = r.level(60), high0 = r.level(67);
  ASSERT_GT(low0, 0.001);  // both sources at rest: a quarter of the volume
  EXPECT_NEAR(high0 / low0, 1.0, 0.02);

  // Pressure addressed by the note's ID.
  r.send(poly_pressure(0, 67, 21, 1.f));
  r.settle_and_render();
  const double low1 = r.level(60), high1 = r.level(67);
  std::printf("poly pressure on G4 (by ID): C4 x%.3f, G4 x%.3f\n", low1 / low0, high1 / high0);
  EXPECT_NEAR(low1 / low0, 1.0, 0.01);
  EXPECT_GT(high1 / high0, 1.5);

  // Brightness on the other note.
  r.send(expression(0, brightness_type, 20, 1.0));
  r.settle_and_render();
  const double low2 = r.level(60), high2 = r.level(67);
  std::printf("brightness 1.0 on C4: C4 x%.3f, G4 x%.3f\n", low2 / low1, high2 / high1);
  EXPECT_GT(low2 / low1, 1.5);
  EXPECT_NEAR(high2 / high1, 1.0, 0.01);

  // Pressure without an ID goes by pitch, as before.
  r.send(poly_pressure(0, 60, -1, 1.f));
  r.settle_and_render();
  EXPECT_GT(r.level(60) / low2, 1.5);
  EXPECT_NEAR(r.level(67) / high2, 1.0, 0.01);
}

// What must not act, sent in the middle of a held chord, leaves every sample
// as it was without it.
TEST(Vst3NoteExpression, UnknownTypesAndUnknownNotesChangeNothing) {
  auto run = [](bool with_noise) {
    rig r({synth::note_source::note_pressure, synth::note_source::note_slide});
    r.send(note_on(0, 60, 30));
    r.send(note_on(0, 67, 31));
    r.send(note_on(0, 72, 32));
    r.render(0.1);
    r.send(note_off(0, 72, 32));
    r.render(0.1);
    if (with_noise) {
      for (uint32 type : {volume_type, pan_type, vibrato_type, expression_type, custom_type, invalid_type})
        for (int32 id : {30, 31}) r.send(expression(10, type, id, 0.9));
      for (uint32 type : {tuning_type, brightness_type}) {
        r.send(expression(20, type, 999, 0.9));  // never started
        r.send(expression(20, type, -1, 0.9));   // no ID
        r.send(expression(20, type, 32, 0.9));   // ended
        r.send(expression(20, type, 30, std::nan("")));
      }
      r.send(poly_pressure(30, 67, 999, 1.f));  // an ID no note has, whatever the pitch says
      r.send(poly_pressure(30, 60, 32, 1.f));   // an ended note's ID
    }
    r.render(0.5);
    return r.out;
  };
  const std::vector<float> quiet = run(false);
  const std::vector<float> noisy = run(true);
  ASSERT_GT(analysis::peak(quiet.data(), quiet.size()), 0.01);
  EXPECT_EQ(quiet, noisy);
}

}  // namespace
