// Fuzz target: word lists and random names. The input's lines are used as
// every list at once; names are built from them and spelled.
#include <cstdint>
#include <cstdlib>

#include "files/preset_names.h"

namespace {

uint32_t state = 1;
int next_random() {
  state = state * 1103515245u + 12345u;
  return int((state >> 16) & 0x7fff);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  files::name_words words;
  const auto lines = files::split_word_lines(reinterpret_cast<const char*>(data), size);
  for (files::word_list* list : {&words.structures, &words.nouns, &words.verbs, &words.adjectives,
                                 &words.instruments})
    list->lines = lines;
  state = 1;
  std::string pattern;
  const std::string name = files::random_name(words, next_random, &pattern);
  if (lines.empty() != name.empty() && lines.empty()) std::abort();
  if (!lines.empty() && pattern.empty()) std::abort();
  return 0;
}
