// Null tests: the fast engine against the reference engine (the plain
// per-sample voice loop). The same phrase, the same parameter moves and the
// same MIDI at the same frames go to two engines; what is left after
// subtracting one output from the other must stay 100 dB below the signal.
// The phrases cover every waveform, both filter families with and without
// saturation, the shaper modes, the shaper filter, audio-rate LFOs, XMod,
// FMod and QMod, sync, unison, glide, drum mode, noise, envelope triggers,
// stepped changes under sounding notes, pedal and stolen voices.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "synth/dsp/svf_lanes.h"
#include "synth/engine.h"
#include "tests/support/lane_kernels.h"
#include "tools/analysis/signal.h"

namespace {

using namespace synth;

constexpr uint32_t word(int status, int d1, int d2) { return uint32_t(status) | uint32_t(d1) << 8 | uint32_t(d2) << 16; }

// One thing that happens at a frame of the phrase.
struct action {
  enum kind_t { midi, param, global, flag } kind;
  int frame;
  int a, b, c;  // midi: status, data1, data2; param: index, program (-1 current), -; global: index;
                // flag: flag, on, -
  float value = 0.f;  // param/global: internal value
};

action note_on(int frame, int key, int velocity = 100) { return {action::midi, frame, 0x90, key, velocity}; }
action note_off(int frame, int key) { return {action::midi, frame, 0x80, key, 0}; }
action cc(int frame, int number, int value) { return {action::midi, frame, 0xB0, number, value}; }
action bend(int frame, int msb) { return {action::midi, frame, 0xE0, 0, msb}; }
action set(int frame, int index, float value) { return {action::param, frame, index, -1, 0, value}; }
action set_in(int program, int index, float value) { return {action::param, 0, index, program, 0, value}; }
action set_global(int frame, int index, float value) { return {action::global, frame, index, 0, 0, value}; }
action switch_flag(int frame, engine_flag f, bool on) { return {action::flag, frame, int(f), on ? 1 : 0, 0}; }

struct phrase {
  std::string name;
  std::vector<action> actions;  // in frame order
  int frames;
};

// A looped PCM wave (a decaying saw) in entry 0 of the engine's list,
// waveform value 6, so phrases can play PCM.
void load_pcm(synth::synth& s) {
  std::vector<int16_t> frames(2000);
  for (size_t i = 0; i < frames.size(); ++i)
    frames[i] = int16_t(20000.0 * std::exp(-double(i) / 900.0) * (double(i % 100) / 50.0 - 1.0));
  pcm_record r;
  r.name = "saw";
  r.assign(frames.data(), int32_t(frames.size()));
  r.frames_per_cycle = 100.f;
  r.set_loop(1000, 1999, 0.f);
  r.set_end_guards();
  s.pcms().add(std::move(r));
}

// Renders a phrase through one engine. Frames are split at the actions and
// otherwise into pieces of irregular length, as hosts with odd block sizes
// and dense MIDI do.
std::vector<float> play(const phrase& ph, bool reference, float rate) {
  auto s = std::make_unique<synth::synth>();
  s->set_reference_engine(reference);
  s->set_sample_rate(rate);
  s->seed_lfos(0x5EED);  // both engines' LFOs start from the same random values
  load_pcm(*s);
  std::vector<float> out(size_t(ph.frames) * 2, 0.f);
  std::vector<float> l(size_t(ph.frames), 0.f), r(size_t(ph.frames), 0.f);
  const int pieces[] = {512, 67, 256, 333, 1, 128};
  size_t next = 0, piece = 0;
  int done = 0, previous_event = 0;
  while (done < ph.frames) {
    while (next < ph.actions.size() && ph.actions[next].frame <= done) {
      const action& a = ph.actions[next++];
      switch (a.kind) {
        case action::midi:
          s->midi(word(a.a, a.b, a.c), a.b, done - previous_event);
          previous_event = done;
          break;
        case action::param: s->set_param(a.a, a.b < 0 ? s->current_program() : a.b, a.value); break;
        case action::global: s->set_param(a.a, 0, a.value); break;
        case action::flag: s->set_flag(engine_flag(a.a), a.b != 0); break;
      }
    }
    int n = pieces[piece++ % std::size(pieces)];
    if (next < ph.actions.size()) n = std::min(n, ph.actions[next].frame - done);
    n = std::min(n, ph.frames - done);
    s->render(l.data() + done, r.data() + done, n);
    s->add_slot_ages(n);
    done += n;
  }
  for (int i = 0; i < ph.frames; ++i) {
    out[size_t(2 * i)] = l[size_t(i)];
    out[size_t(2 * i + 1)] = r[size_t(i)];
  }
  return out;
}

// The fast engine's output b against the reference's a: finite, and what
// is left after subtracting them 100 dB below the signal.
void expect_same_sound(const std::vector<float>& a, const std::vector<float>& b) {
  ASSERT_EQ(a.size(), b.size());
  ASSERT_TRUE(analysis::all_finite(b.data(), b.size()));
  ASSERT_GT(analysis::rms(a.data(), a.size()), 1e-4) << "the phrase must sound";
  const double db = analysis::residual_db(a.data(), b.data(), a.size());
  EXPECT_LT(db, -100.0) << "residual " << db << " dB relative to the signal";
}

void expect_null(const phrase& ph, float rate = 44100.f) {
  SCOPED_TRACE(ph.name);
  expect_same_sound(play(ph, true, rate), play(ph, false, rate));
}

// A few overlapping notes, released one by one, some mid-block.
std::vector<action> chord(int start, std::initializer_list<int> keys, int length) {
  std::vector<action> a;
  int k = 0;
  for (int key : keys) a.push_back(note_on(start + 37 * k++, key));
  k = 0;
  for (int key : keys) a.push_back(note_off(start + length + 301 * k++, key));
  return a;
}

phrase with(std::string name, std::vector<action> setup, std::vector<action> events, int frames) {
  phrase ph{std::move(name), std::move(setup), frames};
  for (action& e : events) ph.actions.push_back(e);
  std::stable_sort(ph.actions.begin(), ph.actions.end(),
                   [](const action& x, const action& y) { return x.frame < y.frame; });
  return ph;
}

constexpr int second = 44100;

}  // namespace

TEST(engine_null, every_waveform_with_ring_modulation_and_sync) {
  for (int wa = 1; wa <= 5; ++wa) {
    for (int sync = 0; sync <= 3; ++sync) {
      const int wb = wa % 5 + 1;
      expect_null(with("waveforms " + std::to_string(wa) + "/" + std::to_string(wb) + " sync " + std::to_string(sync),
                       {set(0, p::osc_a_waveform, float(wa)), set(0, p::osc_b_waveform, float(wb)),
                        set(0, p::osc_b_coarse, 7.f), set(0, p::ringmod_level, 0.6f), set(0, p::osc_sync, float(sync)),
                        set(0, p::osc_a_width, 0.3f), set(0, p::width_mod_a, 0.4f), set(0, p::mod_a_rate, 0.4f)},
                       chord(0, {48, 55, 64}, second / 2), second));
    }
  }
}

TEST(engine_null, both_filter_families_with_and_without_saturation) {
  for (int mode = 1; mode <= 8; ++mode) {
    for (float saturation : {0.f, 0.7f}) {
      expect_null(with("filter mode " + std::to_string(mode) + " saturation " + std::to_string(saturation),
                       {set(0, p::filter_mode, float(mode)), set(0, p::filter_saturation, saturation),
                        set(0, p::filter_frequency, 0.45f), set(0, p::filter_resonance, 0.6f),
                        set(0, p::filter_env_a, 0.5f), set(0, p::filter_keytrack, 0.5f), set(0, p::filter_trigger, 1.f)},
                       chord(0, {36, 60, 67}, second / 3), second * 3 / 4));
    }
  }
}

TEST(engine_null, shaper_modes_and_shaper_filter_forms) {
  for (int mode = 0; mode <= 2; ++mode) {
    for (int shflt : {0, 3, 5, 8}) {
      expect_null(with("shaper " + std::to_string(mode) + " shaper filter " + std::to_string(shflt),
                       {set(0, p::osc_b_level, 0.7f), set(0, p::osc_b_waveform, 2.f), set(0, p::shaper_mode, float(mode)),
                        set(0, p::shaper_depth, 0.8f), set(0, p::shaper_symm, 0.2f), set(0, p::shaper_tone, 0.3f),
                        set(0, p::shflt_mode, float(shflt)), set(0, p::shflt_frequency, 0.5f),
                        set(0, p::shflt_resonance, 0.5f), set(0, p::shflt_keytrack, 0.5f)},
                       chord(0, {45, 57}, second / 3), second * 3 / 4));
    }
  }
}

TEST(engine_null, audio_rate_and_noisy_lfos_with_delay_and_triggers) {
  // LFO A at audio rate on pitch and cutoff; LFO B a noise or random shape
  // with a delay, gating envelope B, restarted by each note or free running
  // from its seeded start; Env A triggered by LFO A's pulse.
  struct lfo_case {
    int shape, keysync;
  };
  for (lfo_case lc : {lfo_case{3, 1}, {4, 1}, {0, 1}, {4, 0}, {3, 0}}) {
    const int shape_b = lc.shape;
    expect_null(with("lfo b shape " + std::to_string(shape_b) + " keysync " + std::to_string(lc.keysync),
                     {set(0, p::mod_a_range, 1.f), set(0, p::mod_a_rate, 0.6f), set(0, p::pitch_mod_a, 0.1f),
                      set(0, p::filter_mode, 1.f), set(0, p::filter_frequency, 0.5f), set(0, p::filter_mod_a, 0.3f),
                      set(0, p::mod_b_shape, float(shape_b)), set(0, p::mod_b_rate, 0.5f), set(0, p::mod_b_delay, 0.2f),
                      set(0, p::mod_b_keysync, float(lc.keysync)), set(0, p::panning_mod_b, 0.5f),
                      set(0, p::volume_mod_b, 0.4f),
                      set(0, p::env_b_trigger, 5.f), set(0, p::pitch_env_b, 0.2f), set(0, p::env_a_trigger, 1.f),
                      set(0, p::mod_a_width, 0.3f), set(0, p::volume_env, 2.f), set(0, p::env_b_sustain, 0.6f)},
                     chord(0, {50, 62}, second / 2), second));
  }
}

TEST(engine_null, cross_modulation_kinds_and_fm_of_the_filter) {
  for (int xmod : {1, 2, 3, 5, 8, 12}) {
    expect_null(with("xmod " + std::to_string(xmod),
                     {set(0, p::osc_xmod, float(xmod)), set(0, p::osc_a_xmod, 0.4f), set(0, p::osc_b_xmod, 0.3f),
                      set(0, p::osc_b_waveform, 4.f), set(0, p::osc_b_coarse, 12.f), set(0, p::filter_mode, 5.f),
                      set(0, p::filter_fmod, 0.6f), set(0, p::filter_qmod, xmod % 2 ? 0.4f : 0.f),
                      set(0, p::filter_frequency, 0.5f), set(0, p::filter_saturation, xmod > 4 ? 0.5f : 0.f)},
                     chord(0, {52, 59}, second / 3), second * 3 / 4));
  }
}

TEST(engine_null, cross_modulation_under_vibrato_glide_and_bend_with_b_keytracked_anywhere) {
  // XMod moves both increments at every sample while LFO A moves the pitch
  // and A's width (the ramp's spread with it), and LFO B B's detune or not:
  // a busy tick then retunes only B's ratio and the increments. B fixed,
  // following A or keytracked in between; notes glide into each other, the
  // bend moves, and a waveform change crossfades under the held notes.
  for (int xmod : {1, 6, 11}) {
    for (float keytrack_b : {0.5f, 0.f, 1.f}) {
      std::vector<action> notes = {note_on(0, 48),       note_on(6000, 60),   note_off(6100, 48),
                                   bend(11000, 90),      note_on(16000, 55),  note_off(16000, 60),
                                   set(24000, p::osc_a_waveform, 1.f),       bend(26000, 30),
                                   note_off(30000, 55)};
      expect_null(with("xmod " + std::to_string(xmod) + " keytrack " + std::to_string(keytrack_b),
                       {set_global(0, p::voices, 2.f), set(0, p::glide_mode, 1.f), set(0, p::glide_time, 0.4f),
                        set(0, p::osc_xmod, float(xmod)), set(0, p::osc_a_xmod, 0.3f), set(0, p::osc_b_xmod, 0.2f),
                        set(0, p::osc_a_waveform, 2.f), set(0, p::osc_b_waveform, 4.f),
                        set(0, p::osc_b_level, 0.7f), set(0, p::osc_b_keytrack, keytrack_b), set(0, p::osc_b_coarse, 7.f),
                        set(0, p::filter_mode, 2.f), set(0, p::filter_frequency, 0.6f),
                        set(0, p::env_a_sustain, 1.f), set(0, p::mod_a_rate, 0.45f), set(0, p::pitch_mod_a, 0.08f),
                        set(0, p::width_mod_a, 0.4f), set(0, p::mod_b_rate, 0.3f),
                        set(0, p::mod_a_shape, 2.f), set(0, p::mod_b_shape, 2.f),
                        set(0, p::detune_mod_b, xmod == 1 ? 0.f : 0.15f)},
                       notes, second * 3 / 4));
    }
  }
}

TEST(engine_null, unison_glide_and_bend) {
  for (int glide = 1; glide <= 4; ++glide) {
    std::vector<action> notes = {note_on(0, 48), note_on(9000, 60), note_off(9100, 48), bend(15000, 100),
                                 note_on(20000, 55), note_off(20000, 60), bend(25000, 20), note_off(30000, 55)};
    expect_null(with("glide " + std::to_string(glide),
                     {set_global(0, p::voices, 2.f), set(0, p::glide_mode, float(glide)), set(0, p::glide_time, 0.6f),
                      set_global(0, p::unison_voices, 5.f), set_global(0, p::unison_detune, 0.6f),
                      set_global(0, p::unison_width, 0.8f), set(0, p::osc_a_waveform, 2.f)},
                     notes, second));
  }
}

TEST(engine_null, drum_mode_plays_several_presets) {
  // Keys 60, 61, 62 play presets 36, 37, 38: a filtered ramp, a pulse with
  // noise, a staircase.
  expect_null(with("drum mode",
                   {switch_flag(0, engine_flag::drum_mode, true), set_in(36, p::osc_a_waveform, 2.f),
                    set_in(36, p::filter_mode, 6.f), set_in(36, p::filter_frequency, 0.5f),
                    set_in(37, p::noise_level, 0.5f), set_in(38, p::osc_a_waveform, 5.f)},
                   {note_on(0, 60), note_on(500, 61), note_on(1200, 62), note_off(8000, 60), note_off(9000, 61),
                    note_off(9500, 62)},
                   second / 2));
}

TEST(engine_null, noise_staircase_and_stepped_changes_under_sounding_notes) {
  expect_null(with("noise and stepped changes",
                   {set(0, p::noise_level, 0.6f), set(0, p::osc_b_waveform, 5.f), set(0, p::osc_b_level, 0.5f),
                    set(0, p::filter_mode, 1.f), set(0, p::filter_frequency, 0.6f)},
                   {note_on(0, 57), note_on(100, 64), set(6000, p::filter_mode, 6.f), set(9000, p::volume_env, 0.f),
                    set(12000, p::osc_a_waveform, 3.f), set(15000, p::shaper_mode, 1.f), set(15000, p::shaper_depth, 0.5f),
                    set(18000, p::shflt_mode, 5.f), set(21000, p::filter_frequency, 0.3f), set(24000, p::noise_level, 0.f),
                    note_off(30000, 57), note_off(31000, 64)},
                   second));
}

TEST(engine_null, pedal_stolen_voices_and_notes_ending_mid_block) {
  std::vector<action> notes;
  for (int k = 0; k < 40; ++k) notes.push_back(note_on(k * 331, 36 + (k * 5) % 48, 40 + k));
  for (int k = 0; k < 40; k += 2) notes.push_back(note_off(k * 331 + 2000, 36 + (k * 5) % 48));
  notes.push_back(cc(3000, 64, 127));
  notes.push_back(cc(12000, 64, 0));
  notes.push_back(cc(5000, 1, 90));
  expect_null(with("pedal and stealing",
                   {set_global(0, p::voices, 4.f + 8.f), set(0, p::env_a_release, 0.3f), set(0, p::env_a_const_atk, 1.f),
                    set(0, p::env_a_keytrack, 0.5f), set(0, p::env_b_trigger, 3.f), set(0, p::filter_mode, 2.f),
                    set(0, p::filter_env_b, -0.4f)},
                   notes, second * 3 / 2));
}

TEST(engine_null, high_rates_and_long_release) {
  expect_null(with("96 kHz", {set(0, p::env_a_release, 0.5f), set(0, p::osc_a_waveform, 3.f)},
                   chord(0, {40, 52, 71}, 20000), 96000),
              96000.f);
}

TEST(engine_null, filter_sweeps_tremolo_and_fm_without_cross_modulation) {
  // The oscillators hold still while envelopes and LFOs move the gains and
  // the cutoff, with and without the mixer modulating the cutoff (FMod).
  for (float fmod : {0.f, 0.5f}) {
    expect_null(with("sweeps, fmod " + std::to_string(fmod),
                     {set(0, p::filter_mode, 5.f), set(0, p::filter_frequency, 0.4f), set(0, p::filter_fmod, fmod),
                      set(0, p::filter_env_b, 0.6f), set(0, p::filter_mod_a, 0.3f), set(0, p::mod_a_rate, 0.5f),
                      set(0, p::volume_mod_b, 0.5f), set(0, p::mod_b_rate, 0.6f), set(0, p::panning_mod_a, 0.4f),
                      set(0, p::env_b_sustain, 0.3f), set(0, p::filter_saturation, 0.4f)},
                     chord(0, {43, 55, 62}, second / 2), second));
  }
}

TEST(engine_null, vibrato_and_width_modulation_from_one_lfo_through_a_saturating_fm_filter) {
  // LFO A on the common pitch and the width of A every sample, LFO B on the
  // cutoff and the pan, the filter under FMod and the shaper on: the
  // oscillator controls narrowed to what moved, with B following A, fixed,
  // or keytracked in between (which needs the whole tick), the pulse width
  // and the multi-ramp's spread following the width, LFO B also on B's detune, and changes under
  // the held notes: a waveform crossfade, a smoothed cutoff and depth.
  struct osc_case {
    float waveform_a, keytrack_b, detune_mod_b;
  };
  for (osc_case oc : {osc_case{1.f, 1.f, 0.f}, {2.f, 0.f, 0.f}, {1.f, 0.5f, 0.f}, {1.f, 1.f, 0.3f}}) {
    expect_null(with("waveform " + std::to_string(oc.waveform_a) + " keytrack " + std::to_string(oc.keytrack_b) +
                         " detune mod " + std::to_string(oc.detune_mod_b),
                     {set(0, p::osc_a_waveform, oc.waveform_a), set(0, p::osc_b_level, 0.75f),
                      set(0, p::osc_b_keytrack, oc.keytrack_b), set(0, p::detune_mod_b, oc.detune_mod_b),
                      set(0, p::filter_mode, 5.f), set(0, p::filter_saturation, 0.7f),
                      set(0, p::filter_frequency, 0.5f), set(0, p::filter_resonance, 0.4f),
                      set(0, p::filter_fmod, 0.5f), set(0, p::shaper_depth, 0.6f), set(0, p::env_a_sustain, 1.f),
                      set(0, p::mod_a_rate, 0.5f), set(0, p::mod_b_rate, 0.35f), set(0, p::pitch_mod_a, 0.05f),
                      set(0, p::width_mod_a, 0.5f), set(0, p::filter_mod_b, 0.5f), set(0, p::panning_mod_b, 0.3f),
                      set(9000, p::osc_a_waveform, oc.waveform_a == 1.f ? 2.f : 1.f), set(14000, p::filter_frequency, 0.3f),
                      set(20000, p::shaper_depth, 0.9f)},
                     chord(0, {45, 57, 64}, second / 2), second * 3 / 4));
  }
}

TEST(engine_null, a_pcm_wave_with_an_enveloped_filter) {
  expect_null(with("pcm", {set(0, p::osc_a_waveform, 6.f), set(0, p::osc_b_waveform, 6.f), set(0, p::osc_b_level, 0.5f),
                           set(0, p::osc_b_coarse, 12.f), set(0, p::filter_mode, 1.f), set(0, p::filter_env_a, 0.4f)},
                   chord(0, {48, 60}, second / 2), second));
}

TEST(engine_null, amplifier_envelopes_alone_through_attack_decay_and_release) {
  // Nothing but envelopes moves: the amplifier's level from Env A, Env B or
  // the key gate, the other envelope running unread, a gate waiting for LFO
  // A's delay, short releases that end notes inside a block, a retrigger.
  struct amp_case {
    float source, trigger, release;
  };
  for (amp_case ac : {amp_case{1.f, 0.f, 0.02f}, {2.f, 3.f, 0.1f}, {0.f, 0.f, 0.05f}, {1.f, 4.f, 0.03f}}) {
    expect_null(with("amplifier " + std::to_string(int(ac.source)) + " trigger " + std::to_string(int(ac.trigger)),
                     {set(0, p::volume_env, ac.source), set(0, p::env_a_trigger, ac.trigger),
                      set(0, p::env_b_trigger, ac.trigger), set(0, p::mod_a_delay, 0.3f),
                      set(0, p::env_a_attack, 0.2f), set(0, p::env_a_decay, 0.25f), set(0, p::env_a_sustain, 0.4f),
                      set(0, p::env_a_release, ac.release), set(0, p::env_b_attack, 0.1f),
                      set(0, p::env_b_decay, 0.3f), set(0, p::env_b_sustain, 0.7f),
                      set(0, p::env_b_release, ac.release), set(0, p::osc_a_waveform, 3.f)},
                     {note_on(0, 45), note_on(40, 57), note_on(5000, 64), note_off(11025, 45), note_off(17000, 57),
                      note_on(20000, 57), note_off(26000, 57), note_off(30001, 64)},
                     second));
  }
}

// The sequence player's path: slots 0 and 1 a frame at a time, their gain
// and pitch offset changed between frames, notes started, released and cut;
// slots 2 and 3 (a vibrato with a glide, busy every sample) started and
// released only between pieces, as the host's notes are while a song plays.
// The first `stepped` slots step; the others render in one run at the
// piece's end.
namespace {

std::vector<float> song_with_free_slots(bool reference, int stepped) {
  auto s = std::make_unique<synth::synth>();
  s->set_reference_engine(reference);
  s->set_sample_rate(44100.f);
  s->seed_lfos(0x5EED);
  s->sequence_use_slots(4);
  for (int slot = 0; slot < 4; ++slot) s->sequence_load(slot, 0);
  s->sequence_param(1, p::osc_a_waveform, 3.f);
  s->sequence_param(1, p::env_a_release, 0.05f);
  for (int slot = 2; slot < 4; ++slot) {
    s->sequence_param(slot, p::pitch_mod_a, 0.3f);
    s->sequence_param(slot, p::glide_mode, 2.f);
    s->sequence_param(slot, p::glide_time, 0.4f);
    s->sequence_param(slot, p::filter_frequency, 0.3f + 0.2f * float(slot));
  }
  std::vector<float> out;
  std::vector<float> l(synth::synth::stepped_capacity), r(synth::synth::stepped_capacity);
  int frame = 0;
  for (int piece = 0; piece < 120; ++piece) {
    const int n = 100 + piece % 7 * 20;
    std::fill(l.begin(), l.end(), 0.f);
    std::fill(r.begin(), r.end(), 0.f);
    if (piece % 30 == 3) s->sequence_start(2, 52 + piece / 30 * 3, piece == 3);
    if (piece % 40 == 11) s->sequence_start(3, 64 - piece / 40 * 2, true);
    if (piece % 40 == 31) s->sequence_release(3);
    s->begin_stepped(n, stepped);
    for (int f = 0; f < n; ++f, ++frame) {
      if (frame % 3000 == 0) s->sequence_start(0, 48 + frame / 3000 % 12, true);
      if (frame % 4100 == 50) s->sequence_start(1, 60, frame % 8200 == 50);
      if (frame % 4100 == 2500) s->sequence_release(1);
      if (frame % 7000 == 6000) s->sequence_cut(0);
      if (frame % 37 == 0) s->sequence_shape(0, 0.5f + 0.5f * float(frame % 370) / 370.f, float(frame % 5) * 0.1f);
      s->render_step(f);
    }
    s->end_stepped(l.data(), r.data(), n);
    for (int f = 0; f < n; ++f) {
      out.push_back(l[size_t(f)]);
      out.push_back(r[size_t(f)]);
    }
  }
  return out;
}

}  // namespace

TEST(engine_null, a_song_shaping_its_voices_frame_by_frame_beside_voices_it_leaves_alone) {
  // The reference engine renders every slot a frame at a time; the fast one
  // renders each slot in runs between the frames at which it changes.
  const std::vector<float> frame_by_frame = song_with_free_slots(true, 2);
  {
    SCOPED_TRACE("every slot stepped");
    expect_same_sound(frame_by_frame, song_with_free_slots(false, 4));
  }
  {
    SCOPED_TRACE("slots 2 and 3 left alone");
    expect_same_sound(frame_by_frame, song_with_free_slots(false, 2));
  }
}

TEST(engine_null, busy_voices_in_lanes_of_four_ending_at_their_own_frames) {
  // Seven notes of a busy sound (LFOs and envelope B on the pitch, the width
  // and the cutoff every sample), run in one batch: their ticks, oscillators
  // and mixers first, then the filters four side by side, then the shapers
  // in two sets. The notes end at different frames inside blocks; the filter
  // forms, sync and the multi-ramp (whose spread follows the width) vary.
  struct lane_case {
    float filter_mode, sync, waveform_a, saturation, waveform_b = 1.f;
  };
  std::vector<action> notes;
  for (int k = 0; k < 7; ++k) notes.push_back(note_on(k * 29, 40 + 5 * k, 60 + 9 * k));
  for (int k = 0; k < 7; ++k) notes.push_back(note_off(6000 + 1733 * k, 40 + 5 * k));
  for (lane_case lc : {lane_case{5.f, 0.f, 1.f, 0.7f}, {3.f, 1.f, 2.f, 0.f}, {8.f, 0.f, 2.f, 0.5f},
                       {2.f, 2.f, 1.f, 0.3f}, {0.f, 0.f, 1.f, 0.f}, {6.f, 0.f, 4.f, 0.4f, 0.f},
                       {5.f, 0.f, 3.f, 0.6f, 2.f}}) {
    expect_null(with("filter " + std::to_string(lc.filter_mode) + " sync " + std::to_string(lc.sync) + " waveform " +
                         std::to_string(lc.waveform_a) + "/" + std::to_string(lc.waveform_b),
                     {set(0, p::osc_a_waveform, lc.waveform_a), set(0, p::osc_b_waveform, lc.waveform_b),
                      set(0, p::osc_b_level, 0.75f),
                      set(0, p::osc_sync, lc.sync), set(0, p::filter_mode, lc.filter_mode),
                      set(0, p::filter_saturation, lc.saturation), set(0, p::filter_frequency, 0.5f),
                      set(0, p::filter_resonance, 0.5f), set(0, p::filter_fmod, 0.4f), set(0, p::filter_qmod, 0.2f),
                      set(0, p::shaper_depth, 0.6f), set(0, p::env_a_release, 0.25f), set(0, p::env_b_decay, 0.5f),
                      set(0, p::env_b_sustain, 0.2f), set(0, p::pitch_env_b, 0.1f), set(0, p::width_env_b, 0.4f),
                      set(0, p::filter_env_b, 0.3f), set(0, p::mod_a_rate, 0.5f), set(0, p::mod_b_rate, 0.35f),
                      set(0, p::pitch_mod_a, 0.05f), set(0, p::width_mod_a, 0.5f), set(0, p::filter_mod_b, 0.5f),
                      set(0, p::panning_mod_b, 0.3f), set(0, p::volume_mod_a, 0.3f)},
                     notes, second * 3 / 4));
  }
}

TEST(engine_null, busy_voices_of_several_presets_share_lanes) {
  // Drum mode: five presets with different filter variants (and one with a
  // glide into its note and one with B keytracked in between, which run
  // their controls sample by sample), all busy, in one group of lanes.
  std::vector<action> setup = {switch_flag(0, engine_flag::drum_mode, true)};
  const float modes[] = {5.f, 5.f, 1.f, 7.f, 5.f};
  for (int k = 0; k < 5; ++k) {
    const int preset = 36 + k;
    for (action a : {set_in(preset, p::filter_mode, modes[k]), set_in(preset, p::filter_saturation, 0.6f),
                     set_in(preset, p::filter_fmod, 0.3f), set_in(preset, p::pitch_mod_a, 0.04f),
                     set_in(preset, p::mod_a_rate, 0.4f + 0.05f * float(k)), set_in(preset, p::filter_mod_a, 0.3f),
                     set_in(preset, p::shaper_depth, 0.2f * float(k)), set_in(preset, p::osc_b_level, 0.7f)})
      setup.push_back(a);
  }
  // Panned hard to either side with the LFO swinging the pan past the ends
  // (the pan law clamps); one at full sustain, which settles short of its goal.
  for (action a : {set_in(37, p::panning, 1.f), set_in(37, p::panning_mod_a, 1.f), set_in(37, p::env_a_sustain, 1.f),
                   set_in(38, p::panning, -1.f), set_in(38, p::panning_mod_a, 0.8f)})
    setup.push_back(a);
  setup.push_back(set_in(39, p::osc_b_keytrack, 0.5f));
  setup.push_back(set_in(40, p::glide_mode, 1.f));
  setup.push_back(set_in(40, p::glide_time, 0.5f));
  expect_null(with("drum lanes", setup,
                   {note_on(0, 60), note_on(3, 61), note_on(70, 62), note_on(300, 63), note_on(301, 64),
                    note_off(9000, 60), note_off(9100, 61), note_off(12000, 62), note_off(12500, 63),
                    note_off(13000, 64)},
                   second / 2));
}

TEST(engine_null, many_parameters_smoothing_at_once_under_a_chord) {
  // What automation of a whole sound does to held voices: changes of the
  // depths, the mixer, the filters, the shaper and the shaper filter land
  // while earlier ones still glide, so the smoothing lists fill and empty
  // in every order. A smoothed shaper or filter control must reach the
  // filters at every tick however the list was reshuffled, and nothing of
  // it may linger once the list is empty.
  const int moved[] = {p::shaper_tone,   p::filter_frequency, p::volume,        p::pitch_mod_a, p::shflt_frequency,
                       p::osc_b_level,   p::shaper_depth,     p::panning,       p::filter_env_a, p::osc_a_xmod,
                       p::filter_resonance, p::ringmod_level, p::width_mod_a,   p::shaper_symm, p::filter_saturation};
  // With XMod every tick is busy; without, the voices go on in lanes of
  // four (LFO A on the pitch and the width, LFO B on the FM filter's cutoff).
  const std::vector<action> sounds[] = {
      {set(0, p::osc_b_level, 0.6f), set(0, p::osc_xmod, 1.f), set(0, p::filter_mode, 2.f),
       set(0, p::filter_frequency, 0.5f), set(0, p::shaper_mode, 1.f), set(0, p::shaper_depth, 0.5f),
       set(0, p::shaper_tone, 0.4f), set(0, p::shflt_mode, 3.f), set(0, p::shflt_frequency, 0.5f),
       set(0, p::env_a_sustain, 1.f), set(0, p::mod_a_rate, 0.4f)},
      {set(0, p::osc_b_level, 0.75f), set(0, p::filter_mode, 5.f), set(0, p::filter_saturation, 0.7f),
       set(0, p::filter_frequency, 0.5f), set(0, p::filter_resonance, 0.4f), set(0, p::filter_fmod, 0.5f),
       set(0, p::shaper_depth, 0.6f), set(0, p::env_a_sustain, 1.f), set(0, p::mod_a_rate, 0.5f),
       set(0, p::mod_b_rate, 0.35f), set(0, p::pitch_mod_a, 0.05f), set(0, p::width_mod_a, 0.5f),
       set(0, p::filter_mod_b, 0.5f), set(0, p::panning_mod_b, 0.3f)}};
  for (size_t sound = 0; sound < std::size(sounds); ++sound) {
    std::vector<action> moves;
    int frame = 2000;
    for (int round = 0; round < 3; ++round) {
      for (size_t k = 0; k < std::size(moved); ++k) {
        const float value = 0.2f + 0.6f * float((k * 7 + size_t(round) * 3) % 10) / 9.f;
        moves.push_back(set(frame, moved[k], value));
        frame += 61 + int(k % 5) * 173;  // some land mid-block, some a few blocks apart
      }
    }
    for (action& a : chord(0, {45, 52, 57, 64}, second)) moves.push_back(a);
    std::vector<action> setup = sounds[sound];
    expect_null(with(sound == 0 ? "many parameters smoothing under XMod" : "many parameters smoothing, then lanes",
                     std::move(setup), std::move(moves), second * 5 / 4));
  }
}

TEST(engine_null, every_pitch_width_detune_and_cutoff_connection_at_once) {
  // Busy voices (XMod on) with both envelopes and both LFOs on the pitch,
  // A's width, B's detune and the cutoff, and the cutoff's keytrack: each
  // destination sums its own four sources however many connections the
  // voice holds. Then depths move while notes sound, some from 0 and some
  // to 0, so connections join and leave the voices' lists.
  const int depths[] = {p::pitch_env_a, p::pitch_env_b, p::pitch_mod_a, p::pitch_mod_b,
                        p::width_env_a, p::width_env_b, p::width_mod_a, p::width_mod_b,
                        p::detune_env_a, p::detune_env_b, p::detune_mod_a, p::detune_mod_b,
                        p::filter_env_a, p::filter_env_b, p::filter_mod_a, p::filter_mod_b};
  std::vector<action> setup = {set(0, p::osc_xmod, 1.f),         set(0, p::osc_b_level, 0.7f),
                               set(0, p::osc_a_waveform, 2.f),   set(0, p::osc_b_waveform, 1.f),
                               set(0, p::filter_mode, 2.f),      set(0, p::filter_frequency, 0.45f),
                               set(0, p::filter_keytrack, 0.7f), set(0, p::env_b_decay, 0.5f),
                               set(0, p::env_b_sustain, 0.3f),   set(0, p::mod_a_rate, 0.45f),
                               set(0, p::mod_b_rate, 0.3f)};
  for (size_t k = 0; k < std::size(depths); ++k) setup.push_back(set(0, depths[k], 0.03f + 0.04f * float(k % 5)));
  std::vector<action> moves = chord(0, {40, 47, 55, 62}, second);
  int frame = 3000;
  for (size_t k = 0; k < std::size(depths); ++k) {
    moves.push_back(set(frame, depths[k], k % 3 == 0 ? 0.f : 0.25f));  // some to 0 ...
    moves.push_back(set(frame + 4400, depths[k], 0.12f));             // ... and back from it
    frame += 37 + int(k % 4) * 211;
  }
  expect_null(with("sixteen routed depths and the keytrack", std::move(setup), std::move(moves), second * 5 / 4));
}

TEST(engine_null, gliding_keytrack_of_the_shaper_filter_follows_every_tick) {
  // The shaper filter's keytrack depth is read by the filters' controls,
  // not by a connection: while it glides alone (a busy block of smoothing)
  // the shaper filter must follow it at every tick, as after any move of
  // its own frequency. High keys make the keytrack's reach wide.
  for (int shflt : {3, 5}) {
    expect_null(with("shaper filter " + std::to_string(shflt) + " keytrack gliding",
                     {set(0, p::osc_a_waveform, 2.f), set(0, p::shflt_mode, float(shflt)),
                      set(0, p::shflt_frequency, 0.4f), set(0, p::shflt_resonance, 0.6f),
                      set(0, p::env_a_sustain, 1.f)},
                     {note_on(0, 96), note_on(11, 84), set(3000, p::shflt_keytrack, 1.f),
                      set(9000, p::shflt_keytrack, 0.1f), set(15000, p::shflt_keytrack, 0.8f),
                      note_off(second, 96), note_off(second, 84)},
                     second * 5 / 4));
  }
}

TEST(engine_null, staged_and_held_chords_share_filter_lanes_on_either_kernel) {
  // Nine notes of sounds whose blocks are staged (envelopes sweeping the
  // cutoff or moving the gains, a tremolo) or held still: their filters run
  // side by side, eight voices to a batch (the ninth in the next), each
  // voice's cutoff updates landing mid-block, the notes ending at their own
  // frames inside blocks (their filters then run apart). Drum mode mixes
  // variants, one of them on a single voice (no lanes for it); voices
  // without a filter (the amplifier's envelope or the key gate alone) keep
  // their own stages, whose envelopes tick from copies.
  std::vector<action> notes;
  for (int k = 0; k < 9; ++k) notes.push_back(note_on(k * 23, 40 + 3 * k, 50 + 8 * k));
  for (int k = 0; k < 9; ++k) notes.push_back(note_off(9000 + 611 * k + (k % 3) * 97, 40 + 3 * k));
  struct staged_case {
    std::string name;
    std::vector<action> setup;
  };
  const staged_case cases[] = {
      {"cutoff swept by an envelope, 24 dB saturating",
       {set(0, p::filter_mode, 5.f), set(0, p::filter_saturation, 0.6f), set(0, p::filter_frequency, 0.3f),
        set(0, p::filter_resonance, 0.6f), set(0, p::filter_env_b, 0.5f), set(0, p::env_b_attack, 0.15f),
        set(0, p::env_b_decay, 0.3f), set(0, p::env_b_sustain, 0.4f), set(0, p::env_b_release, 0.2f),
        set(0, p::env_a_release, 0.08f), set(0, p::osc_b_level, 0.6f), set(0, p::osc_a_waveform, 2.f)}},
      {"amplifier envelope alone, shaper and shaper filter",
       {set(0, p::filter_mode, 1.f), set(0, p::filter_frequency, 0.6f), set(0, p::filter_resonance, 0.3f),
        set(0, p::env_a_attack, 0.2f), set(0, p::env_a_decay, 0.2f), set(0, p::env_a_sustain, 0.5f),
        set(0, p::env_a_release, 0.05f), set(0, p::shaper_mode, 1.f), set(0, p::shaper_depth, 0.5f),
        set(0, p::shflt_mode, 2.f), set(0, p::shflt_frequency, 0.6f), set(0, p::osc_a_waveform, 3.f)}},
      {"tremolo, pan swing and an FM filter swept by an envelope",
       {set(0, p::filter_mode, 6.f), set(0, p::filter_frequency, 0.45f), set(0, p::filter_fmod, 0.4f),
        set(0, p::filter_env_a, 0.3f), set(0, p::volume_mod_a, 0.4f), set(0, p::panning_mod_a, 0.5f),
        set(0, p::mod_a_rate, 0.45f), set(0, p::env_a_decay, 0.3f), set(0, p::env_a_sustain, 0.6f),
        set(0, p::env_a_release, 0.1f), set(0, p::filter_qmod, 0.f), set(0, p::osc_b_level, 0.5f)}},
      {"no filter, the envelopes of the amplifier alone",
       {set(0, p::env_a_attack, 0.1f), set(0, p::env_a_decay, 0.25f), set(0, p::env_a_sustain, 0.3f),
        set(0, p::env_a_release, 0.06f), set(0, p::env_b_decay, 0.2f)}},
      {"no filter, the key gate as the amplifier",
       {set(0, p::volume_env, 0.f), set(0, p::osc_a_waveform, 2.f), set(0, p::env_a_decay, 0.2f)}},
      {"QMod and a band filter, held",
       {set(0, p::filter_mode, 3.f), set(0, p::filter_frequency, 0.5f), set(0, p::filter_qmod, 0.3f),
        set(0, p::filter_env_a, 0.2f), set(0, p::env_a_sustain, 1.f), set(0, p::env_a_release, 0.03f)}},
  };
  std::vector<action> drums = {switch_flag(0, engine_flag::drum_mode, true)};
  const float modes[] = {5.f, 2.f, 5.f, 2.f, 8.f, 5.f, 2.f, 5.f, 2.f};
  for (int k = 0; k < 9; ++k) {
    const int preset = 16 + 3 * k;  // key 40 + 3k in drum mode
    for (action a : {set_in(preset, p::filter_mode, modes[k]), set_in(preset, p::filter_frequency, 0.3f + 0.05f * k),
                     set_in(preset, p::filter_env_a, 0.3f), set_in(preset, p::env_a_decay, 0.2f + 0.02f * k),
                     set_in(preset, p::env_a_sustain, 0.5f), set_in(preset, p::env_a_release, 0.04f),
                     set_in(preset, p::filter_saturation, k % 2 ? 0.5f : 0.f)})
      drums.push_back(a);
  }
  for (svf_lanes::kernel k : test_support::available_kernels()) {
    test_support::forced_kernel forced(k);
    SCOPED_TRACE(test_support::kernel_name(k));
    for (const staged_case& c : cases) expect_null(with(c.name, c.setup, notes, second * 3 / 4));
    expect_null(with("drum presets of three variants", drums, notes, second * 3 / 4));
  }
}

TEST(engine_null, shaper_filters_of_several_forms_share_lanes_on_either_kernel) {
  // Nine drum presets whose shaper filters take four forms (five voices in
  // Band KHN: a run of four lanes and one more beside them; two in Band
  // 6 dB; one alone in Low 6 dB; one bypassed), with different frequencies,
  // keytracks and resonances, their notes ending at their own frames inside
  // blocks. Busy (an LFO on the pitch every sample) and held still (staged
  // lanes): both take the shaper filters side by side.
  const float forms[] = {7.f, 3.f, 7.f, 7.f, 1.f, 7.f, 3.f, 0.f, 7.f};
  std::vector<action> notes;
  for (int k = 0; k < 9; ++k) notes.push_back(note_on(k * 19, 40 + 3 * k, 55 + 7 * k));
  for (int k = 0; k < 9; ++k) notes.push_back(note_off(8000 + 577 * k + (k % 2) * 61, 40 + 3 * k));
  for (float vibrato : {0.05f, 0.f}) {
    std::vector<action> drums = {switch_flag(0, engine_flag::drum_mode, true)};
    for (int k = 0; k < 9; ++k) {
      const int preset = 16 + 3 * k;  // key 40 + 3k in drum mode
      for (action a : {set_in(preset, p::filter_mode, 1.f), set_in(preset, p::filter_frequency, 0.7f),
                       set_in(preset, p::osc_a_waveform, 2.f), set_in(preset, p::shaper_depth, 0.3f),
                       set_in(preset, p::shflt_mode, forms[k]), set_in(preset, p::shflt_frequency, 0.3f + 0.04f * k),
                       set_in(preset, p::shflt_resonance, 0.1f * float(k)), set_in(preset, p::shflt_keytrack, 0.5f),
                       set_in(preset, p::pitch_mod_a, vibrato), set_in(preset, p::mod_a_rate, 0.45f),
                       set_in(preset, p::env_a_sustain, 0.8f), set_in(preset, p::env_a_release, 0.05f)})
        drums.push_back(a);
    }
    for (svf_lanes::kernel k : test_support::available_kernels()) {
      test_support::forced_kernel forced(k);
      SCOPED_TRACE(test_support::kernel_name(k));
      expect_null(with(vibrato > 0.f ? "busy shaper filters" : "held shaper filters", drums, notes, second * 3 / 4));
    }
  }
}

TEST(engine_null, busy_voices_whose_sources_hold_still_under_smoothing) {
  // Smoothing makes every block busy, but here the LFOs crawl, so most
  // ticks move no source: the connections' sums, the filter's controls and
  // the gains must stand exactly where the last tick left them, and follow
  // again at the first tick that moves one. A smoothed XMod depth reaches
  // the oscillators without any source moving; a smoothed "Panning" and an
  // amplifier switched to the other envelope (a gain fade) reach the gains
  // alone; QMod moves the damping every sample while the cutoff holds.
  const std::vector<action> sounds[] = {
      {set(0, p::osc_b_level, 0.6f), set(0, p::osc_xmod, 2.f), set(0, p::osc_a_xmod, 0.1f),
       set(0, p::filter_mode, 1.f), set(0, p::filter_frequency, 0.55f), set(0, p::filter_qmod, 0.4f),
       set(0, p::env_a_sustain, 1.f), set(0, p::env_b_sustain, 0.5f), set(0, p::mod_a_rate, 0.02f),
       set(0, p::mod_b_rate, 0.01f), set(0, p::pitch_mod_a, 0.04f), set(0, p::filter_mod_b, 0.3f),
       set(0, p::panning_mod_a, 0.2f)},
      {set(0, p::osc_b_level, 0.7f), set(0, p::osc_b_keytrack, 0.5f), set(0, p::filter_mode, 6.f),
       set(0, p::filter_saturation, 0.5f), set(0, p::filter_frequency, 0.5f), set(0, p::shaper_mode, 1.f),
       set(0, p::shaper_depth, 0.4f), set(0, p::env_a_sustain, 1.f), set(0, p::env_b_sustain, 0.7f),
       set(0, p::mod_a_rate, 0.01f), set(0, p::width_mod_a, 0.3f), set(0, p::filter_mod_a, 0.2f)}};
  for (size_t sound = 0; sound < std::size(sounds); ++sound) {
    std::vector<action> moves = chord(0, {48, 55, 60, 67}, second);
    int frame = 1500;
    for (int round = 0; round < 4; ++round) {
      moves.push_back(set(frame, p::osc_b_level, 0.3f + 0.15f * float(round)));  // a float value alone
      moves.push_back(set(frame + 2900, p::panning, round % 2 == 0 ? 0.2f : 0.8f));
      moves.push_back(set(frame + 5300, p::osc_a_xmod, 0.05f * float(round + 1)));
      moves.push_back(set(frame + 7100, p::volume_env, round % 2 == 0 ? 2.f : 1.f));  // the amplifier's envelope
      frame += 9000;
    }
    std::vector<action> setup = sounds[sound];
    expect_null(with(sound == 0 ? "crawling LFOs under XMod and QMod" : "crawling LFOs, keytracked B, shaper",
                     std::move(setup), std::move(moves), second * 5 / 4));
  }
}

TEST(engine_null, settings_changed_under_a_chord_every_few_blocks_take_one_tick_then_the_plan) {
  // A host automating settings the voices take at once (envelope times and
  // sustain, LFO rates and shapes, keytrack, the filter's trigger): every
  // change dirties the sounding voices, whose block then ticks its first
  // sample on its own and is planned again for the rest, held still, staged,
  // moving or busy as the new setting leaves it. Some changes land where a
  // voice is mid-attack or releasing, some voices read noise.
  std::vector<action> events;
  for (int k = 0; k < 6; ++k) events.push_back(note_on(k * 41, 45 + 4 * k, 60 + 9 * k));
  for (int k = 0; k < 6; k += 2) events.push_back(note_off(14000 + 977 * k, 45 + 4 * k));
  events.push_back(note_on(16000, 52));
  const int settings[] = {p::env_a_decay, p::env_b_sustain, p::mod_a_rate, p::env_b_attack,
                          p::mod_b_rate,  p::env_a_sustain, p::mod_b_shape, p::env_b_release,
                          p::filter_trigger, p::mod_a_keytrack, p::env_a_release, p::mod_a_shape};
  int frame = 300;
  for (int k = 0; frame < 26000; ++k) {
    const int index = settings[k % std::size(settings)];
    const float value = index == p::mod_a_shape || index == p::mod_b_shape ? float(k % 4)
                        : index == p::filter_trigger                        ? float(k % 2)
                                                                            : 0.1f + 0.07f * float(k % 11);
    events.push_back(set(frame, index, value));
    frame += 64 * (1 + k % 3) + (k % 5) * 7;
  }
  struct sound {
    std::string name;
    std::vector<action> setup;
  };
  const sound sounds[] = {
      {"an envelope on the cutoff, a tremolo",
       {set(0, p::filter_mode, 5.f), set(0, p::filter_frequency, 0.35f), set(0, p::filter_env_b, 0.4f),
        set(0, p::volume_mod_a, 0.3f), set(0, p::osc_b_level, 0.5f), set(0, p::osc_a_waveform, 2.f)}},
      {"vibrato from LFO B, noise in the mix",
       {set(0, p::filter_mode, 1.f), set(0, p::filter_frequency, 0.5f), set(0, p::pitch_mod_b, 0.05f),
        set(0, p::noise_level, 0.3f), set(0, p::osc_a_waveform, 3.f)}},
      {"held still but for the amplifier", {set(0, p::filter_mode, 2.f), set(0, p::filter_frequency, 0.4f)}},
  };
  for (const sound& s : sounds) expect_null(with(s.name, s.setup, events, second * 2 / 3));
}

TEST(engine_null, gains_filter_and_mixer_controls_automated_under_a_chord_smooth_tick_by_tick) {
  // A host automating "Volume", "Panning", the tremolo and auto-pan depths,
  // the main filter's "Frequency", "Resonance", "Saturation", "FMod" and
  // "QMod", its envelope, LFO and keytrack amounts, the shaper's "Depth",
  // "Symm" and "Tone", the shaper filter's "Frequency" and "Keytrack" and the
  // four mixer levels while a chord sounds: the voices smooth each change
  // over their ticks, through the filter's audio-rate modulation (which reads
  // the smoothed resonance and saturation at every sample) and the shaper as
  // well as their updates, and a depth leaving 0 joins the connections at
  // once. Where something else moves the oscillators (vibrato) the same
  // changes smooth in busy blocks.
  std::vector<action> events;
  for (int k = 0; k < 5; ++k) events.push_back(note_on(k * 53, 48 + 5 * k, 70 + 10 * k));
  for (int k = 0; k < 5; k += 2) events.push_back(note_off(15000 + 1013 * k, 48 + 5 * k));
  const int settings[] = {p::filter_frequency, p::volume,        p::filter_resonance, p::panning,
                          p::osc_b_level,       p::filter_saturation, p::volume_mod_a,   p::noise_level,
                          p::filter_frequency,  p::panning_mod_a,     p::osc_a_level,    p::ringmod_level,
                          p::filter_fmod,       p::filter_env_b,      p::filter_qmod,    p::filter_mod_a,
                          p::filter_keytrack,   p::shaper_depth,      p::shflt_frequency, p::shaper_symm,
                          p::shflt_keytrack,    p::shaper_tone};
  int frame = 200;
  for (int k = 0; frame < 24000; ++k) {
    const int index = settings[k % std::size(settings)];
    const bool bipolar = index == p::panning || index == p::volume_mod_a || index == p::panning_mod_a ||
                         index == p::filter_env_b || index == p::filter_mod_a || index == p::filter_keytrack ||
                         index == p::shflt_keytrack;
    const float value = bipolar ? -0.6f + 0.13f * float(k % 10) : 0.2f + 0.06f * float(k % 12);
    events.push_back(set(frame, index, value));
    frame += 64 * (1 + k % 4) + (k % 3) * 11;
  }
  struct sound {
    std::string name;
    std::vector<action> setup;
  };
  const sound sounds[] = {
      {"24 dB saturating filter swept by an envelope, a tremolo",
       {set(0, p::filter_mode, 5.f), set(0, p::filter_saturation, 0.4f), set(0, p::filter_env_b, 0.4f),
        set(0, p::env_b_decay, 0.3f), set(0, p::env_b_sustain, 0.3f), set(0, p::mod_a_rate, 0.4f),
        set(0, p::osc_a_waveform, 2.f), set(0, p::osc_b_level, 0.5f)}},
      {"FMod and QMod on a band filter, a shaper and its filter",
       {set(0, p::filter_mode, 3.f), set(0, p::filter_fmod, 0.3f), set(0, p::filter_qmod, 0.4f),
        set(0, p::shaper_mode, 1.f), set(0, p::shaper_depth, 0.4f), set(0, p::osc_a_waveform, 3.f),
        set(0, p::shflt_mode, 1.f), set(0, p::shflt_resonance, 0.5f)}},
      {"no filter, noise in the mix", {set(0, p::noise_level, 0.4f), set(0, p::osc_a_waveform, 1.f)}},
      {"vibrato through a low filter",
       {set(0, p::filter_mode, 1.f), set(0, p::pitch_mod_b, 0.04f), set(0, p::mod_b_rate, 0.5f)}},
  };
  for (const sound& s : sounds) expect_null(with(s.name, s.setup, events, second * 2 / 3));
  // The pan alone: its smoothing moves the gains without the amplitude.
  std::vector<action> panned;
  for (int k = 0; k < 3; ++k) panned.push_back(note_on(k * 29, 50 + 7 * k, 90));
  for (int k = 0; k < 40; ++k) panned.push_back(set(300 + 400 * k + (k % 3) * 64, p::panning, k % 2 ? 0.7f : -0.5f));
  expect_null(with("the pan alone",
                   {set(0, p::filter_mode, 1.f), set(0, p::env_a_attack, 0.f), set(0, p::env_a_decay, 0.f),
                    set(0, p::env_a_sustain, 1.f)},
                   panned, second / 2));
  // The cutoff's keytrack and envelope amounts alone over a held sound: their
  // smoothing moves the cutoff while no source does.
  std::vector<action> amounts;
  for (int k = 0; k < 3; ++k) amounts.push_back(note_on(k * 31, 45 + 9 * k, 100));
  for (int k = 0; k < 40; ++k)
    amounts.push_back(set(2000 + 400 * k + (k % 3) * 64, k % 2 ? p::filter_keytrack : p::filter_env_b,
                          -0.7f + 0.11f * float(k % 13)));
  expect_null(with("the cutoff's amounts alone",
                   {set(0, p::filter_mode, 5.f), set(0, p::filter_resonance, 0.6f), set(0, p::filter_frequency, 0.4f),
                    set(0, p::env_a_attack, 0.f), set(0, p::env_a_decay, 0.f), set(0, p::env_a_sustain, 1.f),
                    set(0, p::env_b_attack, 0.f), set(0, p::env_b_decay, 0.f), set(0, p::env_b_sustain, 0.8f)},
                   amounts, second / 2));
}
