#include <memory>

#include "files/preset_names.h"
#include "tests/files/files_support.h"

namespace {

TEST(gm_names, melodic_and_percussion_tables) {
  auto b = std::make_unique<synth::bank>();
  files::name_bank_gm_melodic(*b);
  EXPECT_EQ(b->slots[8].name, "Celesta");
  EXPECT_EQ(b->slots[8].category, "Chromatic Percussion");
  EXPECT_EQ(b->slots[87].name, "Bass + Lead");
  EXPECT_EQ(b->slots[127].name, "Gunshot");
  EXPECT_EQ(b->slots[127].category, "Sound effects");
  files::name_bank_gm_percussion(*b);
  EXPECT_EQ(b->slots[0].category, "1 ... 3");
  EXPECT_EQ(b->slots[12].name, "Kick Drum 1");
  EXPECT_EQ(b->slots[12].category, "Base");
  EXPECT_EQ(b->slots[30].name, "Tambourine");
  EXPECT_EQ(b->slots[30].category, "Cymbals");
  EXPECT_EQ(b->slots[63].name, "Open Surdo");
  EXPECT_EQ(b->slots[63].category, "Latin II");
  EXPECT_EQ(b->slots[64].name, "65");
  EXPECT_EQ(b->slots[64].category, "65 ... 80");
  EXPECT_EQ(b->slots[127].category, "113 ... 128");
}

// Always the first line of each list.
int first_line() { return 0; }
int counter_value = 0;
int counting() { return counter_value++; }

TEST(random_names, structures_words_and_spelling) {
  files::name_words w;
  w.structures.lines = {"A N"};
  w.adjectives.lines = {"happy"};
  w.nouns.lines = {"apple"};
  std::string pattern;
  EXPECT_EQ(files::random_name(w, first_line, &pattern), "happy apple");
  EXPECT_EQ(pattern, "!AN");
  // An empty list puts its file name in place of a word.
  w.structures.lines = {"I-V"};
  EXPECT_EQ(files::random_name(w, first_line), "instrument.txt-verb.txt");
  w.structures.lines.clear();
  EXPECT_EQ(files::random_name(w, first_line), "");

  EXPECT_EQ(files::fix_up_name("an apple"), "an apple");
  EXPECT_EQ(files::fix_up_name("an pear"), "a pear");
  EXPECT_EQ(files::fix_up_name("an umbrella"), "a umbrella");
  EXPECT_EQ(files::fix_up_name("big an tree and an owl"), "big a tree and an owl");
  EXPECT_EQ(files::fix_up_name("caravan pear"), "caravan pear");
  EXPECT_EQ(files::fix_up_name("make+ing"), "making");
  EXPECT_EQ(files::fix_up_name("bake+ed"), "baked");
  EXPECT_EQ(files::fix_up_name("try+ing"), "trying");
  EXPECT_EQ(files::fix_up_name("hurry+er"), "hurrier");

  // Picks follow the generator modulo each list's length.
  w.structures.lines = {"N", "A N"};
  w.nouns.lines = {"a", "b", "c"};
  counter_value = 1;
  EXPECT_EQ(files::random_name(w, counting), "happy a");  // structure 1 % 2, adjective 2 % 1, noun 3 % 3

  auto b = std::make_unique<synth::bank>();
  EXPECT_TRUE(files::name_bank_random(*b, w, counting));
  EXPECT_EQ(b->slots[127].category, "random");
  EXPECT_FALSE(b->slots[127].name.empty());
  w.structures.lines.clear();
  b->slots[0].name = "kept";
  EXPECT_FALSE(files::name_bank_random(*b, w, counting));
  EXPECT_EQ(b->slots[0].name, "kept");
}

TEST(random_names, word_lists_from_the_data_folder) {
  const std::string text = "A I\r\n\r\nV+ing N\n";
  files_test::write_bytes(files_test::data_dir() + "struct.txt", files_test::bytes(text.begin(), text.end()));
  const std::string nouns = "owl\nelk";
  files_test::write_bytes(files_test::data_dir() + "noun.txt", files_test::bytes(nouns.begin(), nouns.end()));
  const files::name_words w = files::load_name_words();
  EXPECT_EQ(w.structures.lines, (std::vector<std::string>{"A I", "V+ing N"}));
  EXPECT_EQ(w.nouns.lines, (std::vector<std::string>{"owl", "elk"}));
  EXPECT_TRUE(w.verbs.lines.empty());
  EXPECT_EQ(w.verbs.file_name, "verb.txt");
}

}  // namespace
