// The effect framework: registry, descriptors, displays, values, saved
// records, rate updates and the four-slot chain.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fx/chain.h"
#include "fx/factories.h"
#include "fx/registry.h"
#include "tests/fx/fx_runner.h"

namespace {

std::string shown(fx::effect& e, int index, float v) {
  e.set_value(index, v);
  char text[64];
  e.format_value(index, text, sizeof text);
  return text;
}

TEST(effect_registry, sixteen_effects_in_list_order_by_exact_or_caseless_name) {
  const std::vector<std::string> order = {"Gate",      "Clipper",   "Reverb",   "Multiplier", "Rectifier", "Limiter",
                                          "RC Filter", "Tremolo",   "Tone",     "Compressor", "Phaser",    "Crossfeed",
                                          "Follower",  "Quantizer", "mDelay",   "Ringmod"};
  ASSERT_EQ(fx::registry_size(), 16);
  int i = 0;
  for (const fx::registry_entry* r = fx::registry_begin(); r != fx::registry_end(); ++r, ++i) {
    EXPECT_EQ(r->name, order[size_t(i)]);
    auto e = fx::create_effect(true, r->name);
    ASSERT_TRUE(e);
    EXPECT_STREQ(e->name(), r->name);
  }
  EXPECT_FALSE(fx::create_effect(true, "reverb"));
  auto caseless = fx::create_effect(false, "rEVERB");
  ASSERT_TRUE(caseless);
  EXPECT_STREQ(caseless->name(), "Reverb");
  EXPECT_FALSE(fx::create_effect(false, "Reverbs"));
  EXPECT_FALSE(fx::create_effect(false, "mmFilter"));  // built only inside the Follower
  EXPECT_FALSE(fx::create_effect(false, ""));
  EXPECT_FALSE(fx::create_effect(false, nullptr));
  EXPECT_STREQ(fx::effect_menu,
               "[h0][80x65]-,[80x13][lDelay]Reverb,[lDynamics]Compressor,Gate,Limiter,[n][lTimbre]Clipper,"
               "Multiplier,Quantizer,Rectifier,Ringmod,[lModulation]Follower,mDelay,Phaser,Tremolo,");
}

TEST(effect_registry, parameter_counts_and_defaults_inside_their_ranges) {
  const std::vector<std::pair<std::string, int>> counts = {
      {"Gate", 11},   {"Clipper", 4},    {"Reverb", 24},    {"Multiplier", 11}, {"Rectifier", 3}, {"Limiter", 10},
      {"RC Filter", 2}, {"Tremolo", 4},  {"Tone", 6},       {"Compressor", 8},  {"Phaser", 8},    {"Crossfeed", 3},
      {"Follower", 10}, {"Quantizer", 5}, {"mDelay", 11},   {"Ringmod", 5}};
  for (const auto& [name, n] : counts) {
    SCOPED_TRACE(name);
    auto e = fx::create_effect(true, name.c_str());
    ASSERT_TRUE(e);
    EXPECT_EQ(e->param_count(), n);
    EXPECT_EQ(e->input_count(), (name == "Gate" || name == "Compressor" || name == "Limiter" ||
                                 name == "Follower" || name == "Ringmod")
                                    ? 4
                                    : 2);
    for (int i = 0; i < n; ++i) {
      const fx::param_desc& d = e->desc(i);
      EXPECT_LE(d.min, d.def);
      EXPECT_GE(d.max, d.def);
      EXPECT_EQ(e->value(i), d.def);
    }
  }
  EXPECT_EQ(fx::make_mm_filter()->param_count(), 4);
}

TEST(effect_display, default_display_and_the_units_of_each_effect) {
  auto reverb = fx::create_effect(true, "Reverb");
  EXPECT_EQ(shown(*reverb, 0, 0.125f), "12%");     // real: percent rounded down
  EXPECT_EQ(shown(*reverb, 9, 1.f), "On");         // 0..1 switch
  EXPECT_EQ(shown(*reverb, 9, 0.f), "Off");
  EXPECT_EQ(shown(*reverb, 14, 6.f), "6");         // other whole values

  auto limiter = fx::create_effect(true, "Limiter");
  EXPECT_EQ(shown(*limiter, 1, 0.f), "Off");       // hold 0 s
  EXPECT_EQ(shown(*limiter, 1, 0.2f), "20.0 ms");  // 0.2^2 * 0.5 s
  EXPECT_EQ(shown(*limiter, 0, 0.f), "1.00 ms");   // attack 0.001 s
  EXPECT_EQ(shown(*limiter, 2, 1.f), "1.00 s");    // release 0.99 + 0.01 s
  EXPECT_EQ(shown(*limiter, 3, 0.5f), "-24.0 dB");
  EXPECT_EQ(shown(*limiter, 5, 0.25f), "+12.0 dB");

  auto mdelay = fx::create_effect(true, "mDelay");
  EXPECT_EQ(shown(*mdelay, 0, 0.33f), "109 ms");
  EXPECT_EQ(shown(*mdelay, 0, 0.f), "Off");
  EXPECT_EQ(shown(*mdelay, 0, 0.01f), "100 us");
  EXPECT_EQ(shown(*mdelay, 2, 0.33f), "-34%");
  EXPECT_EQ(shown(*mdelay, 4, 1.f), "20000.0 Hz");
  EXPECT_EQ(shown(*mdelay, 5, 2.f), "Ping-pong");

  auto gate = fx::create_effect(true, "Gate");
  EXPECT_EQ(shown(*gate, 7, 0.f), "-inf");
  EXPECT_EQ(shown(*gate, 7, 0.5f), "-30.0 dB");
  EXPECT_EQ(shown(*gate, 1, 0.25f), "-12.0 dB");

  auto clipper = fx::create_effect(true, "Clipper");
  EXPECT_EQ(shown(*clipper, 1, 0.f), "-48.0 dB");
  EXPECT_EQ(shown(*clipper, 1, 1.f), "+0.0 dB");
  EXPECT_EQ(shown(*clipper, 2, 1.f), "+48.0 dB");

  auto compressor = fx::create_effect(true, "Compressor");
  EXPECT_EQ(shown(*compressor, 5, 0.f), "A");
  EXPECT_EQ(shown(*compressor, 5, 1.f), "B");
  EXPECT_EQ(shown(*compressor, 4, 0.5f), "+24.0 dB");

  auto tremolo = fx::create_effect(true, "Tremolo");
  EXPECT_EQ(shown(*tremolo, 3, 1.f), "Bump");
  EXPECT_EQ(shown(*tremolo, 3, 2.f), "Triangle");
  EXPECT_EQ(shown(*tremolo, 3, 3.f), "Sine");
  EXPECT_EQ(shown(*tremolo, 3, 4.f), "Pulse");
  EXPECT_EQ(shown(*tremolo, 0, 1.f), "15.0 Hz");

  auto phaser = fx::create_effect(true, "Phaser");
  EXPECT_EQ(shown(*phaser, 6, 7.f), "128");
  EXPECT_EQ(shown(*phaser, 6, 0.f), "2");

  auto rc = fx::create_effect(true, "RC Filter");
  EXPECT_EQ(shown(*rc, 0, 0.f), "0.1 Hz");
  EXPECT_EQ(shown(*rc, 1, 3.f), "H 24");
  EXPECT_EQ(shown(*rc, 1, 4.f), "L 6");

  auto rectifier = fx::create_effect(true, "Rectifier");
  EXPECT_EQ(shown(*rectifier, 1, 1.f), "Positive");
  EXPECT_EQ(shown(*rectifier, 1, 0.f), "Negative");

  auto quantizer = fx::create_effect(true, "Quantizer");
  EXPECT_EQ(shown(*quantizer, 2, 0.5f), "4.0 bits");  // 16^0.5
  EXPECT_EQ(shown(*quantizer, 0, 0.5f), "4000.0 Hz");  // 400 * 100^0.5
}

TEST(effect_values, limited_to_the_range_and_nan_gives_the_default) {
  auto e = fx::create_effect(true, "Reverb");
  e->set_value(14, 40.f);
  EXPECT_EQ(e->value(14), 16.f);
  e->set_value(14, -3.f);
  EXPECT_EQ(e->value(14), 1.f);
  e->set_value(0, std::nanf(""));
  EXPECT_EQ(e->value(0), 0.125f);
  e->set_value(99, 1.f);  // no such parameter: nothing happens
  e->set_value(-1, 1.f);
}

// An effect that records what the framework calls.
constexpr fx::param_desc spy_table[3] = {{"A", 0.f, 1.f, 0, 0.1f}, {"B", 0.f, 1.f, 0, 0.2f}, {"C", 0.f, 1.f, 0, 0.3f}};

class spy final : public fx::effect, public fx::effect_view {
 public:
  spy() : effect("Spy", spy_table, 3) { set_view(this); }
  void sample_rate_changed() override { ++rate_changes; }
  void block_rate_changed() override { ++block_changes; }
  void parameter_changed(int index) override { changed.push_back(index); }
  void upgrade_parameters(const fx::param_record& stored) override {
    ++upgrades;
    upgraded_count = stored.count;
  }
  int32_t parameter_version() const override { return 2; }
  bool structural(int index) const override { return index >= 1; }
  void rebuild(float) override { ++rebuilds; }
  void process(const fx::io& b, bool) override { divider_at_process = rates().divider; }
  void effect_changed() override { ++views; }

  std::vector<int> changed;
  int rate_changes = 0, block_changes = 0, upgrades = 0, upgraded_count = -1, views = 0, rebuilds = 0;
  int divider_at_process = 0;
};

void run_once(fx::effect& e, int frames) {
  std::vector<float> l(static_cast<size_t>(frames)), r(static_cast<size_t>(frames));
  float* ch[2] = {l.data(), r.data()};
  e.follow_rate(44100.f, frames);
  e.run({ch, ch, frames, nullptr}, true);
}

TEST(effect_record, a_short_record_changes_only_its_differing_values_then_upgrades) {
  spy s;
  s.load_defaults();
  s.changed.clear();
  const float stored[2] = {0.7f, 0.2f};  // A differs, B as it is, C not stored
  s.load_record({2, 2, stored});
  run_once(s, 16);  // the changes reach the audio side before the next block
  EXPECT_EQ(s.changed, std::vector<int>{0});
  EXPECT_FLOAT_EQ(s.value(0), 0.7f);
  EXPECT_FLOAT_EQ(s.value(1), 0.2f);
  EXPECT_FLOAT_EQ(s.value(2), 0.3f);
  EXPECT_EQ(s.upgrades, 1);
  EXPECT_EQ(s.upgraded_count, 2);
  EXPECT_EQ(s.views, 1);
  EXPECT_EQ(s.rebuilds, 0);  // no structural value changed

  const float full[3] = {0.7f, 0.2f, 0.3f};
  s.load_record({2, 3, full});  // same count and version: no upgrade
  EXPECT_EQ(s.upgrades, 1);
  s.load_record({1, 3, full});  // an older layout version
  EXPECT_EQ(s.upgrades, 2);
  const float restructured[3] = {0.7f, 0.5f, 0.6f};
  s.load_record({2, 3, restructured});
  EXPECT_EQ(s.rebuilds, 1);  // two structural changes, one rebuild after the record
  s.set_value(1, 0.9f);
  EXPECT_EQ(s.rebuilds, 2);  // from the editor: at once
  s.set_value(1, 0.9f);
  EXPECT_EQ(s.rebuilds, 2);  // the same value rebuilds nothing
  float saved[fx::max_params];
  int32_t version = 0;
  EXPECT_EQ(s.save_record(saved, version), 3);
  EXPECT_EQ(version, 2);
  EXPECT_FLOAT_EQ(saved[0], 0.7f);
  EXPECT_FLOAT_EQ(saved[1], 0.9f);
}

TEST(effect_rates, rate_and_block_size_changes_reach_the_effect_before_its_next_process) {
  spy s;
  run_once(s, 256);
  EXPECT_EQ(s.rate_changes, 1);
  EXPECT_FLOAT_EQ(s.rates().rate, 44100.f);
  EXPECT_FLOAT_EQ(s.rates().pi_over_rate, 3.14159265f / 44100.f);
  EXPECT_EQ(s.divider_at_process, 256);
  const int before = s.block_changes;
  run_once(s, 256);
  EXPECT_EQ(s.block_changes, before);  // nothing changed, nothing announced
  run_once(s, 100);
  EXPECT_EQ(s.block_changes, before + 1);
  EXPECT_EQ(s.divider_at_process, 100);
  EXPECT_FLOAT_EQ(s.rates().control_rate, 441.f);
  EXPECT_EQ(s.rate_changes, 1);
}

TEST(effect_chain, slots_fill_empty_and_run_in_order) {
  platform::lock lock;
  fx::chain chain(lock);
  EXPECT_FALSE(chain.any());
  fx_test::stereo x = fx_test::sine(440, 0.05);
  const fx_test::stereo original = x;
  chain.run(x.l.data(), x.r.data(), int(x.size()), 44100.f);  // an empty chain leaves the signal
  EXPECT_EQ(x.l, original.l);

  ASSERT_TRUE(chain.set_effect(0, "Rectifier"));  // positive: |x|
  ASSERT_TRUE(chain.set_effect(1, "Rectifier"));
  chain.slot(1)->set_value(1, 0.f);  // negative: -|x|
  EXPECT_TRUE(chain.any());
  {
    platform::scoped_fp_mode mode;
    chain.run(x.l.data(), x.r.data(), int(x.size()), 44100.f);
  }
  // Audio ran before the slots were filled: the first 5 ms fade in from the dry signal.
  for (size_t i = 256; i < x.size(); ++i) ASSERT_FLOAT_EQ(x.l[i], -std::fabs(original.l[i])) << i;

  EXPECT_FALSE(chain.set_effect(1, "-"));
  EXPECT_EQ(chain.slot(1), nullptr);
  EXPECT_FALSE(chain.set_effect(0, "No Such Effect"));  // an unknown name empties the slot
  EXPECT_FALSE(chain.set_effect(0, "rectifier"));       // exact names only
  EXPECT_TRUE(chain.any());  // the two effects still fade out
  {
    platform::scoped_fp_mode mode;
    chain.run(x.l.data(), x.r.data(), int(x.size()), 44100.f);
  }
  EXPECT_FALSE(chain.any());
  EXPECT_FALSE(chain.set_effect(4, "Gate"));
}

TEST(effect_chain, every_slot_sees_a_new_block_size_before_its_next_process) {
  platform::lock lock;
  fx::chain chain(lock);
  const char* names[4] = {"Reverb", "mDelay", "Compressor", "Phaser"};
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(chain.set_effect(i, names[i]));
  fx_test::stereo x = fx_test::noise(0.02);
  chain.run(x.l.data(), x.r.data(), 256, 44100.f);
  chain.run(x.l.data(), x.r.data(), 100, 44100.f);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(chain.slot(i)->rates().divider, 100) << names[i];
    EXPECT_FLOAT_EQ(chain.slot(i)->rates().control_rate, 441.f) << names[i];
  }
  chain.run(x.l.data(), x.r.data(), 100, 48000.f);
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(chain.slot(i)->rates().rate, 48000.f) << names[i];
}

TEST(effect_chain, a_saved_slot_restores_name_and_values) {
  platform::lock lock;
  fx::chain a(lock), b(lock);
  ASSERT_TRUE(a.set_effect(2, "Reverb"));
  a.slot(2)->set_value(16, 0.9f);
  a.slot(2)->set_value(14, 11.f);
  fx::slot_state st;
  ASSERT_TRUE(a.save_slot(2, st));
  EXPECT_STREQ(st.name, "Reverb");
  EXPECT_EQ(st.count, 24);
  const fx::param_record rec{st.version, st.count, st.values};
  ASSERT_TRUE(b.restore_slot(3, st.name, &rec));
  for (int i = 0; i < 24; ++i) EXPECT_EQ(b.slot(3)->value(i), a.slot(2)->value(i)) << i;
  EXPECT_FALSE(a.save_slot(0, st));
  EXPECT_STREQ(st.name, "");
  EXPECT_FALSE(b.restore_slot(3, "", nullptr));
  EXPECT_EQ(b.slot(3), nullptr);
}

}  // namespace
