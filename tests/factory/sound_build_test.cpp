// The factory sound files: their text form, and their settings resolved into
// preset values and an instance (globals, switches, routes, inserts).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fx/chain.h"
#include "synth/engine.h"
#include "synth/engine_flags.h"
#include "synth/param_display.h"
#include "synth/param_table.h"
#include "tools/factory/sound_build.h"
#include "tools/factory/sound_text.h"

namespace {

using factory::sound_text;

sound_text read(const std::string& text) {
  sound_text s;
  std::string error;
  EXPECT_TRUE(factory::read_sound_text(text, s, error)) << error;
  return s;
}

std::string refusal(const std::string& text) {
  sound_text s;
  std::string error;
  EXPECT_FALSE(factory::read_sound_text(text, s, error)) << text;
  return error;
}

TEST(sound_text, sections_sort_lines_into_preset_instance_and_inserts) {
  const sound_text s = read(
      "# a comment\n"
      "Name: Test Tone\n"
      "Category: Lead\r\n"
      "  Osc A Waveform :  Sine  \n"
      "\n"
      "[Instance]\n"
      "Unison Voices: 4\n"
      "[Insert 2: mDelay]\n"
      "Mix: 20%\n"
      "[Insert 1: Reverb]\n"
      "Tail Size: 60%\n");
  EXPECT_EQ(s.name, "Test Tone");
  EXPECT_EQ(s.category, "Lead");
  ASSERT_EQ(s.preset.size(), 1u);
  EXPECT_EQ(s.preset[0].key, "Osc A Waveform");
  EXPECT_EQ(s.preset[0].value, "Sine");
  EXPECT_EQ(s.preset[0].line, 4);
  ASSERT_EQ(s.instance.size(), 1u);
  ASSERT_EQ(s.inserts.size(), 2u);
  EXPECT_EQ(s.inserts[0].slot, 2);
  EXPECT_EQ(s.inserts[0].effect, "mDelay");
  EXPECT_EQ(s.inserts[1].values[0].key, "Tail Size");
}

TEST(sound_text, faults_are_refused_with_their_line) {
  EXPECT_EQ(refusal("Name: A\nVolume -3 dB\n"), "line 2: expected \"Name: value\"");
  EXPECT_EQ(refusal("Name: A\nVolume: -3 dB\nVolume: 0 dB\n"), "line 3: \"Volume\" twice");
  EXPECT_EQ(refusal("Name: A\n[Insert 5: Reverb]\n"), "line 2: unknown section [Insert 5: Reverb]");
  EXPECT_EQ(refusal("Name: A\n[Insert 1: Reverb]\n[Insert 1: Gate]\n"), "line 3: insert slot 1 twice");
  EXPECT_EQ(refusal("Name: A\n[Instance\n"), "line 2: unclosed section");
  EXPECT_EQ(refusal("Name: A\n[Instance]\n[Instance]\n"), "line 3: second [Instance]");
  EXPECT_EQ(refusal("Category: Bass\n"), "line 0: no Name");
  EXPECT_EQ(refusal("Name: A\nName: B\n"), "line 2: Name twice");
}

TEST(sound_build, parameters_change_init_by_their_display_texts) {
  synth::preset p;
  std::string error;
  ASSERT_TRUE(factory::build_preset(read("Name: Low\nCategory: Bass\n"
                                         "Filter Mode: Low 24 dB\nFilter Frequency: 1.20 kHz\n"
                                         "Mod A Rate: 16th\nMod A Range: Tempo\nOsc B Waveform: Ramp\nOsc B Coarse: -12\n"),
                                    p, error))
      << error;
  synth::preset init;
  synth::build_factory_init(init);
  EXPECT_EQ(p.name, "Low");
  EXPECT_EQ(p.category, "Bass");
  EXPECT_EQ(p.get(synth::p::filter_mode), 5.f);
  EXPECT_EQ(p.get(synth::p::osc_b_coarse), -12.f);
  EXPECT_EQ(p.get(synth::p::mod_a_range), 2.f);
  // The rate was read as a tempo-synced note value although its line comes
  // first: ranges are applied before the rates that read them.
  synth::display_context ctx;
  float values[synth::preset_param_count];
  for (int i = 0; i < synth::preset_param_count; ++i) values[i] = p.get(i);
  ctx.preset = values;
  char text[64];
  synth::display(synth::p::mod_a_rate, p.get(synth::p::mod_a_rate), ctx, text, sizeof text);
  EXPECT_STREQ(text, "16th");
  synth::display(synth::p::filter_frequency, p.get(synth::p::filter_frequency), ctx, text, sizeof text);
  EXPECT_STREQ(text, "1.20 kHz");
  for (int i : {synth::p::volume, synth::p::osc_a_waveform, synth::p::env_a_decay})
    EXPECT_EQ(p.get(i), init.get(i)) << "untouched parameter " << i;
}

TEST(sound_build, unknown_names_bad_values_and_unheard_settings_are_refused) {
  struct row {
    const char* lines;
    const char* error;
  };
  for (const row& r :
       {row{"Filter Cutoff: 1 kHz\n", "line 3: Filter Cutoff: no such parameter"},
        row{"Osc A Level: -100 dB\n", "line 3: Osc A Level: outside the range"},
        row{"Osc B Width: 30.0\n", "line 3: Osc B Width: never heard"},
        row{"Ringmod Level: -6.0 dB\n", "line 3: Ringmod Level: never heard"},
        row{"Filter Resonance: 50.0\n", "line 3: Filter Resonance: never heard"},
        row{"Sh Flt Frequency: 1.00 kHz\n", "line 3: Sh Flt Frequency: never heard"},
        row{"Glide Time: 80.0 ms\n", "line 3: Glide Time: never heard"},
        row{"Osc A XMod: 10.0\n", "line 3: Osc A XMod: never heard"}}) {
    synth::preset p;
    std::string error;
    EXPECT_FALSE(factory::build_preset(read(std::string("Name: X\nCategory: Bass\n") + r.lines), p, error));
    EXPECT_EQ(error.substr(0, std::string(r.error).size()), r.error) << error;
  }
  // Switching a dependent setting off is no fault.
  synth::preset p;
  std::string error;
  EXPECT_TRUE(factory::build_preset(read("Name: X\nOsc B Level: -\n"), p, error)) << error;
}

TEST(sound_build, instance_settings_reach_globals_switches_routes_and_inserts) {
  auto engine = std::make_unique<synth::synth>();
  const sound_text s = read(
      "Name: Rig\n[Instance]\nGlide Mode: Fingered\nVoices: Mono Newest\nUnison Voices: 4\n"
      "Map note to preset: On\nRoute 3: Velocity > Filter Env B, Add, 25%\n"
      "Route 1: Controller 1 > Volume, Multiply, -50%\n"
      "[Insert 2: Reverb]\nTail Size: 60%\nMix: 20%\n[Insert 1: mDelay]\nMode: Ping-pong\n");
  EXPECT_TRUE(factory::needs_instance(s));
  std::string error;
  ASSERT_TRUE(factory::apply_instance(s, *engine, error)) << error;
  EXPECT_FALSE(engine->polyphonic());
  EXPECT_EQ(engine->global_glide_mode(), 1);  // "Fingered", read in the monophonic list
  EXPECT_EQ(engine->unison_layers(), 4);
  EXPECT_TRUE(engine->flag(synth::engine_flag::drum_mode));
  const synth::route velocity = engine->routes().get_route(2);
  EXPECT_EQ(velocity.source_class, synth::route_source::note);
  EXPECT_EQ(velocity.source_index, synth::note_source::velocity);
  EXPECT_EQ(velocity.dest_index, synth::p::filter_env_b);
  EXPECT_EQ(velocity.mode, synth::route_mode::add);
  EXPECT_FLOAT_EQ(velocity.depth, 0.25f);
  const synth::route wheel = engine->routes().get_route(0);
  EXPECT_EQ(wheel.source_class, synth::route_source::controller);
  EXPECT_EQ(wheel.source_index, 1);
  EXPECT_EQ(wheel.mode, synth::route_mode::multiply);
  EXPECT_FLOAT_EQ(wheel.depth, -0.5f);
  fx::slot_state slot;
  ASSERT_TRUE(engine->effects().save_slot(1, slot));
  EXPECT_STREQ(slot.name, "Reverb");
  char text[64];
  engine->effects().slot(1)->format_value(15, text, sizeof text);  // Tail "Size"
  EXPECT_STREQ(text, "60%");
  ASSERT_TRUE(engine->effects().save_slot(0, slot));
  EXPECT_STREQ(slot.name, "mDelay");
  EXPECT_EQ(slot.values[5], 2.f);  // "Ping-pong"
  EXPECT_FALSE(engine->effects().save_slot(2, slot));
}

TEST(sound_build, instance_faults_are_refused) {
  for (const char* text : {"Name: R\n[Instance]\nUnison Voices: 40\n",
                           "Name: R\n[Instance]\nMap note to preset: Maybe\n",
                           "Name: R\n[Instance]\nRoute 1: Velocity > Nowhere, Add, 25%\n",
                           "Name: R\n[Instance]\nRoute 1: Velocity > Volume, Add, 0%\n",
                           // Depths a float cannot hold: infinite, or 0 once stored.
                           "Name: R\n[Instance]\nRoute 1: Velocity > Volume, Add, 1e300%\n",
                           "Name: R\n[Instance]\nRoute 1: Velocity > Volume, Add, -1e-60%\n",
                           "Name: R\n[Instance]\nRoute 1: Speed > Volume, Add, 10%\n",
                           "Name: R\n[Instance]\nRoute 1: Velocity > Volume, Divide, 10%\n",
                           "Name: R\n[Instance]\nRoute 17: Velocity > Volume, Add, 10%\n",
                           "Name: R\n[Insert 1: Chorus]\n",
                           "Name: R\n[Insert 1: Reverb]\nDensity: 6\n",  // Diffuse or Tail?
                           "Name: R\n[Insert 1: Reverb]\nTail Density: 17\n"}) {
    auto engine = std::make_unique<synth::synth>();
    std::string error;
    EXPECT_FALSE(factory::apply_instance(read(text), *engine, error)) << text;
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
