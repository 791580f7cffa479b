// The Scala readers and the key-to-pitch table: what valid files give, and
// that every kind of broken file gives a reason with its line and changes
// nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "synth/engine.h"
#include "synth/scala_keymap.h"
#include "synth/scala_scale.h"
#include "synth/tuning.h"
#include "tests/support/scala_texts.h"

namespace synth {
namespace {

constexpr double note0_hz = 8.17579891564371;

double hz_of_pitch(float pitch) { return note0_hz * std::exp2(double(pitch) / 12.0); }

TEST(scala_scale, reads_cents_and_ratio_lines_with_comments) {
  scala_scale s;
  ASSERT_EQ(read_scala_scale(test_support::equal_scale_text(19), s), "");
  EXPECT_EQ(s.description, "19 equal steps to the octave");
  ASSERT_EQ(s.size(), 19);
  EXPECT_NEAR(s.cents[0], 1200.0 / 19, 1e-6);
  EXPECT_NEAR(s.degree_cents(-1), -1200.0 / 19, 1e-6);
  EXPECT_NEAR(s.degree_cents(38), 2400.0, 1e-9);

  ASSERT_EQ(read_scala_scale(test_support::just_scale_text(), s), "");
  ASSERT_EQ(s.size(), 12);
  EXPECT_NEAR(s.cents[6], 1200.0 * std::log2(1.5), 1e-9);  // "3/2 fifth": the comment after it is skipped
  EXPECT_NEAR(s.period(), 1200.0, 1e-9);                   // "2" is 2/1
  EXPECT_NEAR(s.degree_cents(-5), -1200.0 + 1200.0 * std::log2(1.5), 1e-9);

  // CR LF endings, a description in UTF-8, an empty description line.
  ASSERT_EQ(read_scala_scale("Ma\xC3\xAFs\r\n2\r\n700.\r\n2/1\r\n", s), "");
  EXPECT_EQ(s.description, "Ma\xC3\xAFs");
  EXPECT_NEAR(s.cents[0], 700.0, 1e-9);
  ASSERT_EQ(read_scala_scale("\n1\n1200.0\n", s), "");
  EXPECT_EQ(s.description, "");
}

TEST(scala_scale, broken_files_give_the_line_and_change_nothing) {
  struct bad {
    const char* text;
    const char* error;
  };
  const std::string over = "x\n1025\n" + std::string(1025 * 6, ' ');
  const bad cases[] = {
      {"", "Empty scale file"},
      {"! only a comment\n", "No description line"},
      {"desc\n", "Line 2: note count missing"},
      {"desc\nmany\n100.0\n", "Line 2: note count missing"},
      {"desc\n0\n", "Line 2: a scale needs at least one note"},
      {"desc\n99999999999999999999\n", "Line 2: too many notes (at most 1024)"},
      {over.c_str(), "Line 2: too many notes (at most 1024)"},
      {"desc\n3\n100.0\n200.0\n", "Line 5: fewer notes than the count"},
      {"desc\n2\n0/1\n2/1\n", "Line 3: ratio must be positive"},
      {"desc\n2\n-3/2\n2/1\n", "Line 3: ratio must be positive"},
      {"desc\n2\n3/0\n2/1\n", "Line 3: ratio must be positive"},
      {"desc\n2\n3/2\n\n", "Line 4: pitch missing"},
      {"desc\n1\n1e3.0\n", "Line 3: not a pitch in cents"},
      {"desc\n1\nthree\n", "Line 3: not a ratio"},
      {"desc\n1\n200000.0\n", "Line 3: pitch out of range"},
      {"desc\n2\n100.0\n-100.0\n", "Line 4: the period must rise above 1/1"},
      {"caf\xE9\n1\n1200.0\n", "Scale file is not UTF-8 text"},
      {"desc\n1\n\xC0\x80\n", "Scale file is not UTF-8 text"},  // an overlong zero
  };
  for (const bad& c : cases) {
    scala_scale s;
    s.description = "kept";
    s.cents = {1200.0};
    EXPECT_EQ(read_scala_scale(c.text, s), c.error) << c.text;
    EXPECT_EQ(s.description, "kept");
    EXPECT_EQ(s.size(), 1);
  }
  scala_scale s;
  EXPECT_EQ(read_scala_scale(std::string("desc\n1\n1200.0\0\n", 15), s), "Scale file is not UTF-8 text");
}

TEST(scala_keymap, reads_the_fields_and_silent_keys) {
  scala_keymap k;
  ASSERT_EQ(read_scala_keymap(test_support::keymap_432_text(), k), "");
  EXPECT_EQ(k.middle_key, 60);
  EXPECT_EQ(k.reference_key, 69);
  EXPECT_DOUBLE_EQ(k.reference_hz, 432.0);
  EXPECT_EQ(k.octave_degree, 12);
  ASSERT_EQ(k.map.size(), 12u);
  EXPECT_EQ(k.map[1], keymap_unmapped);
  EXPECT_EQ(k.map[9], 9);
  // A map that lists fewer entries than its size leaves the rest silent.
  ASSERT_EQ(read_scala_keymap("3\n0\n127\n60\n60\n261.6\n12\n0\n", k), "");
  EXPECT_EQ(k.map[0], 0);
  EXPECT_EQ(k.map[2], keymap_unmapped);

  const std::pair<const char*, const char*> cases[] = {
      {"", "Empty keyboard mapping file"},
      {"12\n0\n127\n", "Line 4: key number (0..127) missing"},
      {"12\n0\n128\n60\n69\n440\n12\n", "Line 3: key number (0..127) missing"},
      {"12\n0\n127\n60\n69\n0.0\n12\n", "Line 6: reference frequency must be a positive number of Hz"},
      {"12\n0\n127\n60\n69\n-440.0\n12\n", "Line 6: reference frequency must be a positive number of Hz"},
      {"12\n0\n127\n60\n69\n440.0\n", "Line 7: formal octave degree missing"},
      {"99999999999\n0\n127\n60\n69\n440.0\n12\n", "Line 1: map too large (at most 1024)"},
      {"2\n0\n127\n60\n69\n440.0\n12\n0\ny\n", "Line 9: mapping entry must be a degree or x"},
      {"0\n0\n127\n60\n69\n44\xFF.0\n12\n", "Keyboard mapping file is not UTF-8 text"},
  };
  for (const auto& c : cases) {
    scala_keymap kept;
    kept.middle_key = 42;
    EXPECT_EQ(read_scala_keymap(c.first, kept), c.second) << c.first;
    EXPECT_EQ(kept.middle_key, 42);
  }
}

TEST(tuning_table, keys_reference_and_silent_keys) {
  tuning_table t;
  // No mapping: degree 0 on key 60 at 261.6256 Hz.
  ASSERT_EQ(tuning_from_texts(test_support::equal_scale_text(19), "", t), "");
  EXPECT_NEAR(hz_of_pitch(t.pitch[60]), 261.6256, 261.6256 * 1e-7);
  EXPECT_NEAR(hz_of_pitch(t.pitch[79]), 2 * 261.6256, 261.6256 * 1e-6);
  EXPECT_NEAR(hz_of_pitch(t.pitch[41]), 261.6256 / 2, 261.6256 * 1e-7);
  for (int k = 0; k < 128; ++k) EXPECT_TRUE(t.key_sounds(k)) << k;

  ASSERT_EQ(tuning_from_texts(test_support::just_scale_text(), test_support::keymap_432_text(), t), "");
  EXPECT_NEAR(hz_of_pitch(t.pitch[69]), 432.0, 432.0 * 1e-7);
  EXPECT_NEAR(hz_of_pitch(t.pitch[60]), 432.0 * 3 / 5, 1e-4);        // degree 0 under the 5/3 of the reference
  EXPECT_NEAR(hz_of_pitch(t.pitch[55]), 432.0 * 3 / 5 * 0.75, 1e-4);  // degree 7 of the octave below
  for (int k = 0; k < 128; ++k) EXPECT_EQ(t.key_sounds(k), k % 12 != 1 && k % 12 != 6) << k;

  // A reference key that the mapping leaves silent gives no pitch to hang the scale on.
  tuning_table kept = t;
  EXPECT_EQ(tuning_from_texts(test_support::just_scale_text(), "12\n0\n127\n60\n61\n440.0\n12\n0\nx\n", t),
            "Reference key 61 is not mapped");
  EXPECT_EQ(t.pitch, kept.pitch);
  // Keys outside first..last are silent; a linear map (size 0) with a
  // formal octave of 0 repeats at the scale's period.
  ASSERT_EQ(tuning_from_texts(test_support::equal_scale_text(12), "0\n48\n72\n60\n69\n440.0\n0\n", t), "");
  EXPECT_FALSE(t.key_sounds(47));
  EXPECT_FALSE(t.key_sounds(73));
  EXPECT_NEAR(t.pitch[57], 57.f, 1e-4f);  // twelve equal steps at A = 440: key k is pitch k
}

TEST(tuning_engine, a_bad_text_leaves_the_tuning_in_force) {
  auto engine = std::make_unique<synth>();
  EXPECT_FALSE(engine->tuned());
  ASSERT_EQ(engine->set_tuning(test_support::equal_scale_text(19), ""), "");
  EXPECT_EQ(engine->tuning_name(), "19 equal steps to the octave");
  EXPECT_EQ(engine->load_tuning_scale("desc\n2\n0/1\n2/1\n"), "Line 3: ratio must be positive");
  EXPECT_EQ(engine->load_tuning_keymap("12\n0\n127\n"), "Line 4: key number (0..127) missing");
  EXPECT_TRUE(engine->tuned());
  EXPECT_EQ(engine->tuning_source().scale, test_support::equal_scale_text(19));
  EXPECT_EQ(engine->tuning_source().keymap, "");
  // A mapping alone applies to twelve equal steps.
  engine->reset_tuning();
  ASSERT_EQ(engine->load_tuning_keymap(test_support::keymap_432_text()), "");
  EXPECT_TRUE(engine->tuned());
  EXPECT_FALSE(engine->key_sounds(61));
  EXPECT_TRUE(engine->key_sounds(60));
  engine->reset_tuning();
  EXPECT_FALSE(engine->tuned());
  EXPECT_TRUE(engine->key_sounds(61));
}

}  // namespace
}  // namespace synth
