// Tunings through the built plug-in: every mapped key sounds at its scale's
// frequency (a fine estimator on the output, at two rates), silent keys stay
// silent, a bad file changes nothing, and the tuning travels with the state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "plugin/synth_command.h"
#include "tests/support/scala_texts.h"
#include "tests/support/scratch.h"
#include "tests/support/synth_host.h"
#include "tools/analysis/signal.h"
#include "tools/render/sequence_job.h"

namespace {

using test_support::make_host;

std::string write_file(const std::filesystem::path& dir, const char* name, const std::string& text) {
  const std::filesystem::path p = dir / name;
  std::ofstream(p, std::ios::binary) << text;
  return p.string();
}

// The scratch folder with the three tunings the checks use.
struct tuning_files {
  std::filesystem::path dir = test_support::make_scratch_dir("tuning");
  std::string edo19 = write_file(dir, "19-edo.scl", test_support::equal_scale_text(19));
  std::string just = write_file(dir, "just12.scl", test_support::just_scale_text());
  std::string a432 = write_file(dir, "a432.kbm", test_support::keymap_432_text());
};

int load_tuning(test_support::synth_host& h, const std::string& path, std::string* result = nullptr) {
  const plugin::command_request r = render::send_command(h.instance, plugin::command::load_tuning, path.c_str());
  if (result) *result = r.result;
  return r.returned;
}

double cents_off(double hz, double want) { return 1200.0 * std::log2(hz / want); }

// Expected frequency of a key, or 0 for a silent key.
using expected_hz = std::function<double(int key)>;

double just_hz(int key, int middle, double middle_hz) {
  const int offset = key - middle;
  const int octave = offset >= 0 ? offset / 12 : -((11 - offset) / 12);
  return middle_hz * std::exp2(octave) * test_support::just_ratios[offset - 12 * octave];
}

struct pitch_case {
  const char* name;
  std::string scale, keymap;
  expected_hz want;
};

struct pitch_result {
  double worst_cents = 0;
  int worst_key = -1, measured = 0, silent = 0;
  bool silent_keys_quiet = true;
};

// Each key: 50 ms for the previous note to fade, then at least 24 cycles.
pitch_result measure_keys(const pitch_case& c, double rate) {
  pitch_result r;
  auto h = make_host(rate);
  if (!h) return r;
  h->sine_patch();
  EXPECT_EQ(load_tuning(*h, c.scale), 0);
  if (!c.keymap.empty()) {
    EXPECT_EQ(load_tuning(*h, c.keymap), 0);
  }
  for (int key = 0; key < 128; ++key) {
    const double want = c.want(key);
    constexpr double settle = 0.05;
    const double window = std::max(0.05, 24.0 / std::max(want, 1.0));
    h->left.clear();
    h->midi(0, 0x90, key, 100);
    h->render(settle + window);
    h->midi(0, 0x80, key, 0);
    if (want == 0) {
      ++r.silent;
      continue;
    }
    const double off = cents_off(h->measured_hz(size_t(settle * rate), size_t(window * rate), want), want);
    ++r.measured;
    if (!(std::fabs(off) <= std::fabs(r.worst_cents))) {
      r.worst_cents = off;
      r.worst_key = key;
    }
  }
  // The silent keys again, in an instance that has played nothing else: its
  // output stays exactly zero.
  auto quiet = make_host(rate);
  if (!quiet) return r;
  quiet->sine_patch();
  load_tuning(*quiet, c.scale);
  if (!c.keymap.empty()) load_tuning(*quiet, c.keymap);
  for (int key = 0; key < 128; ++key) {
    if (c.want(key) != 0) continue;
    quiet->midi(0, 0x90, key, 100);
    quiet->render(0.05);
    quiet->midi(0, 0x80, key, 0);
  }
  r.silent_keys_quiet = analysis::peak(quiet->left.data(), quiet->left.size()) == 0.0;
  quiet->midi(0, 0x90, 60, 100);  // while a mapped key does sound there
  quiet->render(0.05);
  EXPECT_GT(analysis::peak(quiet->left.data(), quiet->left.size()), 0.01);
  return r;
}

TEST(tuning_pitch, every_mapped_key_sounds_its_scale_frequency_within_a_tenth_of_a_cent) {
  const tuning_files f;
  const pitch_case cases[] = {
      {"19-EDO", f.edo19, "", [](int key) { return 261.6256 * std::exp2((key - 60) / 19.0); }},
      {"just 12", f.just, "", [](int key) { return just_hz(key, 60, 261.6256); }},
      {"just 12 + a432.kbm", f.just, f.a432,
       [](int key) { return key % 12 == 1 || key % 12 == 6 ? 0.0 : just_hz(key, 60, 432.0 * 3 / 5); }},
  };
  std::printf("%-20s %8s %6s %6s %14s %8s\n", "tuning", "rate", "keys", "silent", "worst (cents)", "at key");
  for (const pitch_case& c : cases) {
    for (double rate : {44100.0, 96000.0}) {
      SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(rate));
      const pitch_result r = measure_keys(c, rate);
      std::printf("%-20s %8.0f %6d %6d %+14.5f %8d\n", c.name, rate, r.measured, r.silent, r.worst_cents,
                  r.worst_key);
      EXPECT_EQ(r.measured + r.silent, 128);
      EXPECT_LT(std::fabs(r.worst_cents), 0.1) << "key " << r.worst_key;
      EXPECT_TRUE(r.silent_keys_quiet);
    }
  }
}

TEST(tuning_pitch, a_bad_file_gives_its_reason_and_leaves_the_tuning) {
  const tuning_files f;
  auto h = make_host();
  ASSERT_TRUE(h);
  h->sine_patch();
  ASSERT_EQ(load_tuning(*h, f.edo19), 0);
  const std::string broken[] = {
      write_file(f.dir, "empty.scl", ""),
      write_file(f.dir, "zero.scl", "zero\n2\n0/1\n2/1\n"),
      write_file(f.dir, "short.scl", "short\n5\n100.0\n"),
      write_file(f.dir, "latin1.scl", "caf\xE9\n1\n1200.0\n"),
      write_file(f.dir, "nocount.kbm", "12\n0\n"),
      (f.dir / "missing.scl").string(),
  };
  for (const std::string& path : broken) {
    std::string result;
    EXPECT_EQ(load_tuning(*h, path, &result), 1) << path;
    EXPECT_FALSE(result.empty()) << path;
  }
  std::string reason;
  load_tuning(*h, (f.dir / "zero.scl").string(), &reason);
  EXPECT_EQ(reason, "Line 3: ratio must be positive");
  // Still 19 equal steps: key 79 is the octave above middle C.
  h->left.clear();
  h->midi(0, 0x90, 79, 100);
  h->render(0.5);
  EXPECT_NEAR(cents_off(h->measured_hz(2205, 19845, 523.2512), 523.2512), 0.0, 0.1);
  const plugin::command_request name = render::send_command(h->instance, plugin::command::tuning_name);
  EXPECT_EQ(name.returned, 1);
  EXPECT_STREQ(name.text_out, "19 equal steps to the octave");
}

std::vector<uint8_t> bank_chunk(test_support::synth_host& h) {
  void* data = nullptr;
  const intptr_t size = h.instance.dispatch(effGetChunk, 0, 0, &data);
  if (size <= 0 || !data) return {};
  const auto* p = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(p, p + size);
}

double key_hz(test_support::synth_host& h, int key, double approx) {
  h.left.clear();
  h.midi(0, 0x90, key, 100);
  h.render(0.5);
  h.midi(0, 0x80, key, 0);
  h.render(0.05);
  return h.measured_hz(2205, 19845, approx);
}

bool has_chunk(const std::vector<uint8_t>& state, const char* id) {
  return std::search(state.begin(), state.end(), id, id + 4) != state.end();
}

TEST(tuning_state, the_tuning_and_the_mpe_switch_travel_with_the_state) {
  const tuning_files f;
  auto h = make_host();
  ASSERT_TRUE(h);
  h->sine_patch();
  const std::vector<uint8_t> untuned = bank_chunk(*h);
  ASSERT_FALSE(untuned.empty());
  EXPECT_FALSE(has_chunk(untuned, "tune"));  // an instance that uses neither writes what it always wrote
  EXPECT_FALSE(has_chunk(untuned, "mpe "));
  const double plain_69 = key_hz(*h, 69, 440.0);

  ASSERT_EQ(load_tuning(*h, f.just), 0);
  ASSERT_EQ(load_tuning(*h, f.a432), 0);
  render::send_command(h->instance, plugin::command::set_mpe, nullptr, 1);
  const std::vector<uint8_t> tuned = bank_chunk(*h);
  EXPECT_TRUE(has_chunk(tuned, "tune"));
  EXPECT_TRUE(has_chunk(tuned, "mpe "));
  // "saws" stays the last 24 bytes, where older readers look for it.
  ASSERT_GE(tuned.size(), 24u);
  EXPECT_TRUE(std::equal(tuned.end() - 24, tuned.end() - 20, "saws"));
  const std::string state_path = (f.dir / "tuned.vornstate").string();
  EXPECT_STREQ(render::send_command(h->instance, plugin::command::save_state, state_path.c_str()).result, "");

  // Host chunk into a fresh instance.
  auto g = make_host();
  ASSERT_TRUE(g);
  g->sine_patch();
  g->instance.dispatch(effSetChunk, 0, intptr_t(tuned.size()), const_cast<uint8_t*>(tuned.data()));
  g->sine_patch();
  EXPECT_EQ(render::send_command(g->instance, plugin::command::mpe).returned, 1);
  EXPECT_NEAR(cents_off(key_hz(*g, 69, 432.0), 432.0), 0.0, 0.1);
  EXPECT_EQ(bank_chunk(*g), tuned);

  // State file into another.
  auto s = make_host();
  ASSERT_TRUE(s);
  EXPECT_STREQ(render::send_command(s->instance, plugin::command::load_state, state_path.c_str()).result, "");
  s->sine_patch();
  EXPECT_EQ(render::send_command(s->instance, plugin::command::mpe).returned, 1);
  EXPECT_NEAR(cents_off(key_hz(*s, 69, 432.0), 432.0), 0.0, 0.1);
  EXPECT_EQ(analysis::peak(s->left.data(), s->left.size()) > 0.01, true);

  // An older state (without the new chunks) puts the instance back to
  // twelve equal steps at 440 Hz with MPE off: it sounds as it always did.
  g->instance.dispatch(effSetChunk, 0, intptr_t(untuned.size()), const_cast<uint8_t*>(untuned.data()));
  g->sine_patch();
  EXPECT_EQ(render::send_command(g->instance, plugin::command::mpe).returned, 0);
  EXPECT_EQ(render::send_command(g->instance, plugin::command::tuning_name).returned, 0);
  EXPECT_NEAR(cents_off(key_hz(*g, 69, 440.0), plain_69), 0.0, 0.001);
  EXPECT_EQ(bank_chunk(*g), untuned);
}

}  // namespace
