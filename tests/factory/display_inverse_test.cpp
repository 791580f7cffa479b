// Display texts read back into values: every text a parameter's display can
// print must come back as a value that prints the same text, for the
// synth's parameters and for every effect's.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "fx/registry.h"
#include "synth/param_display.h"
#include "synth/param_table.h"
#include "synth/display_inverse.h"

namespace {

using synth::display_law;
using synth::value_range;

constexpr int sweep_points = 37;  // values tried across each range, ends included

display_law synth_law(int index, const float* preset) {
  return [index, preset](float v) {
    synth::display_context ctx;
    ctx.preset = preset;
    char text[64];
    synth::display(index, v, ctx, text, sizeof text);
    return std::string(text);
  };
}

value_range range_of(int index) {
  const synth::param_info& row = synth::param_row(index);
  return {row.min, row.max, row.is_integer};
}

// Every value of the sweep prints a text that reads back to the same text.
void expect_round_trips(const display_law& law, value_range r) {
  for (int i = 0; i < sweep_points; ++i) {
    float v = r.min + (r.max - r.min) * float(i) / (sweep_points - 1);
    if (r.integer) v = std::floor(v);
    const std::string text = law(v);
    SCOPED_TRACE(text);
    float back = NAN;
    std::string error;
    ASSERT_TRUE(synth::value_from_display(law, r, text, back, error)) << error;
    EXPECT_EQ(law(back), text);
    EXPECT_GE(back, r.min);
    EXPECT_LE(back, r.max);
  }
}

TEST(display_inverse, every_synth_parameter_reads_its_own_texts_back) {
  float preset[synth::preset_param_count] = {};
  for (int index = 0; index <= synth::p::unison_width; ++index) {
    char name[64];
    synth::full_name(index, name, sizeof name);
    SCOPED_TRACE(name);
    expect_round_trips(synth_law(index, preset), range_of(index));
  }
}

TEST(display_inverse, lfo_rates_read_back_in_each_range) {
  float preset[synth::preset_param_count] = {};
  for (int range : {0, 1, 2}) {
    SCOPED_TRACE(range);
    preset[synth::p::mod_a_range] = float(range);
    expect_round_trips(synth_law(synth::p::mod_a_rate, preset), range_of(synth::p::mod_a_rate));
  }
}

TEST(display_inverse, every_effect_parameter_reads_its_own_texts_back) {
  for (const fx::registry_entry* e = fx::registry_begin(); e != fx::registry_end(); ++e) {
    std::unique_ptr<fx::effect> effect = e->make();
    for (int index = 0; index < effect->param_count(); ++index) {
      SCOPED_TRACE(std::string(e->name) + " " + effect->desc(index).name);
      const display_law law = [&](float v) {
        effect->set_value(index, v);
        char text[64];
        effect->format_value(index, text, sizeof text);
        return std::string(text);
      };
      const fx::param_desc& d = effect->desc(index);
      expect_round_trips(law, {d.min, d.max, d.integer != 0});
    }
  }
}

TEST(display_inverse, numbers_are_read_in_any_unit_and_precision) {
  float preset[synth::preset_param_count] = {};
  const auto value_of = [&](int index, const char* text) {
    float v = NAN;
    std::string error;
    EXPECT_TRUE(synth::value_from_display(synth_law(index, preset), range_of(index), text, v, error))
        << text << ": " << error;
    return v;
  };
  EXPECT_EQ(value_of(synth::p::filter_frequency, "1.2 kHz"), value_of(synth::p::filter_frequency, "1.20 kHz"));
  EXPECT_EQ(value_of(synth::p::filter_frequency, "1200 Hz"), value_of(synth::p::filter_frequency, "1.20 kHz"));
  EXPECT_EQ(value_of(synth::p::env_a_decay, "0.5 s"), value_of(synth::p::env_a_decay, "500 ms"));
  // Attack 0.125 prints "2.54 ms"; the middle of that text's interval is near it.
  EXPECT_NEAR(value_of(synth::p::env_a_attack, "2.54 ms"), 0.125f, 2e-4f);
  // A slow LFO prints its period: "2.00 s" is 0.5 Hz.
  const float slow = value_of(synth::p::mod_a_rate, "2.00 s");
  EXPECT_NEAR(synth::lfo_low_rate_hz(slow), 0.5f, 0.003f);
  // Names at exact points and inside the range.
  EXPECT_EQ(value_of(synth::p::panning, "Center"), 0.f);
  EXPECT_EQ(value_of(synth::p::osc_a_level, "-"), 0.f);
  EXPECT_EQ(value_of(synth::p::filter_mode, "Low 24 dB"), 5.f);
  EXPECT_EQ(value_of(synth::p::osc_b_coarse, "-12"), -12.f);
}

TEST(display_inverse, texts_the_display_never_prints_are_refused_with_the_nearest) {
  float preset[synth::preset_param_count] = {};
  struct refusal {
    int index;
    const char* text;
    const char* hint;  // in the error
  };
  for (const refusal& r : {refusal{synth::p::env_a_attack, "2.543 ms", "nearby"},
                           refusal{synth::p::osc_b_fine, "+60.0 cents", "outside the range"},
                           refusal{synth::p::filter_mode, "Low 36 dB", "not one of"},
                           refusal{synth::p::mod_a_shape, "Triangle", "\"Ramp\""},
                           refusal{synth::p::env_a_attack, "fast", "not a text"},
                           refusal{synth::p::env_a_attack, "20 Hz", "no numbers of this kind"}}) {
    SCOPED_TRACE(r.text);
    float v = NAN;
    std::string error;
    EXPECT_FALSE(synth::value_from_display(synth_law(r.index, preset), range_of(r.index), r.text, v, error));
    EXPECT_NE(error.find(r.hint), std::string::npos) << error;
  }
}

TEST(display_inverse, quantities_bring_units_to_seconds_and_hertz) {
  struct row {
    const char* text;
    synth::quantity::kind_t kind;
    double value;
  };
  for (const row& r : {row{"100 us", synth::quantity::time, 1e-4}, row{"2.54 ms", synth::quantity::time, 2.54e-3},
                       row{"1.20 kHz", synth::quantity::frequency, 1200.0},
                       row{"-6.0 dB", synth::quantity::none, -6.0}, row{"+7", synth::quantity::none, 7.0},
                       row{"35%", synth::quantity::none, 35.0}, row{" 12 cents ", synth::quantity::none, 12.0}}) {
    synth::quantity q;
    ASSERT_TRUE(synth::parse_quantity(r.text, q)) << r.text;
    EXPECT_EQ(q.kind, r.kind) << r.text;
    EXPECT_NEAR(q.value, r.value, 1e-12) << r.text;
  }
  synth::quantity q;
  for (const char* text : {"Low 24 dB", "Hold", "12st 30cents", "16th", "", "-inf", "nan Hz"})
    EXPECT_FALSE(synth::parse_quantity(text, q)) << text;
}

}  // namespace
