// Names for the whole bank: the General MIDI melodic programs with their
// families, the General MIDI percussion keys, and random names built from
// word lists.
#pragma once

#include <string>
#include <vector>

#include "synth/preset.h"

namespace files {

// Slot i: melodic program name i, category its family (i / 8).
void name_bank_gm_melodic(synth::bank& b);
// Every slot "i + 1" in groups of 16 ("17 ... 32"), then slots 0..63 from
// the percussion keys 24..87.
void name_bank_gm_percussion(synth::bank& b);

// One word list: its file name (used in place of a word when it is empty)
// and its lines.
struct word_list {
  std::string file_name;
  std::vector<std::string> lines;
};

struct name_words {
  word_list structures{"struct.txt", {}};
  word_list nouns{"noun.txt", {}};
  word_list verbs{"verb.txt", {}};
  word_list adjectives{"adjective.txt", {}};
  word_list instruments{"instrument.txt", {}};
};

// Splits text into lines at CR and LF, skipping empty lines. At most
// max_lines lines of at most max_line_length characters each are kept.
std::vector<std::string> split_word_lines(const char* text, size_t size);
// The five lists from the data folder; a missing file leaves its list empty.
name_words load_name_words();

// Picks with `next_random` (any non-negative pseudo-random integer). Empty
// when there are no structures. `pattern`, when given, receives "!" and the
// letters of the structure that were replaced.
std::string random_name(const name_words& words, int (*next_random)(), std::string* pattern = nullptr);
// Every slot a new random name in the category "random"; false (bank
// unchanged) when there are no structures to build names from.
bool name_bank_random(synth::bank& b, const name_words& words, int (*next_random)());

// The spelling fix-ups applied to a built name ("an pear" -> "a pear",
// "make+ing" -> "making", "hurry+er" -> "hurrier", other "+" removed).
std::string fix_up_name(std::string name);

}  // namespace files
