// Random preset names: a structure line ("A N", "V+ing I") whose letters are
// replaced by random adjectives, instruments, nouns and verbs, then spelled.
#include <cstring>

#include "files/preset_chunk.h"
#include "files/preset_names.h"
#include "platform/app_data_dir.h"
#include "riff/file_buffer.h"

namespace files {

namespace {

// Bounds for word files: generous for hand-made lists, small enough that a
// stray huge file costs little.
constexpr size_t max_lines = 100000;
constexpr size_t max_line_length = 255;

const std::string& pick(const word_list& list, int (*next_random)()) {
  if (list.lines.empty()) return list.file_name;
  return list.lines[size_t(next_random()) % list.lines.size()];
}

void load_list(word_list& list) {
  riff::file_buffer f;
  const std::string path = platform::app_data_file(list.file_name.c_str(), "");
  if (!path.empty() && f.load(path)) list.lines = split_word_lines(f.text(), f.size());
}

void replace_all(std::string& s, const char* from, const char* to) {
  const size_t n = std::strlen(from), m = std::strlen(to);
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + m)) s.replace(at, n, to);
}

bool is_vowel_kept_by_an(char c) { return c == 'a' || c == 'e' || c == 'i' || c == 'o'; }

}  // namespace

std::vector<std::string> split_word_lines(const char* text, size_t size) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < size && lines.size() < max_lines) {
    size_t end = at;
    while (end < size && text[end] != '\r' && text[end] != '\n') ++end;
    if (end > at) lines.emplace_back(text + at, std::min(end - at, max_line_length));
    at = end + 1;
  }
  return lines;
}

name_words load_name_words() {
  name_words w;
  for (word_list* list : {&w.structures, &w.nouns, &w.verbs, &w.adjectives, &w.instruments}) load_list(*list);
  return w;
}

std::string fix_up_name(std::string s) {
  // "an" before a consonant (or u) becomes "a"; the list is the one the
  // random words were written for.
  for (size_t at = s.find("an "); at != std::string::npos; at = s.find("an ", at + 1)) {
    const bool word_start = at == 0 || s[at - 1] == ' ';
    const bool before_vowel = at + 3 < s.size() && is_vowel_kept_by_an(s[at + 3]);
    if (word_start && !before_vowel) s.erase(at + 1, 1);
  }
  replace_all(s, "e+ing", "ing");
  replace_all(s, "e+ed", "ed");
  replace_all(s, "y+er", "ier");
  replace_all(s, "+", "");
  return s;
}

std::string random_name(const name_words& words, int (*next_random)(), std::string* pattern) {
  if (words.structures.lines.empty()) return {};
  const std::string& structure = pick(words.structures, next_random);
  std::string name, used = "!";
  for (char c : structure) {
    const word_list* list = c == 'A' ? &words.adjectives
                            : c == 'I' ? &words.instruments
                            : c == 'N' ? &words.nouns
                            : c == 'V' ? &words.verbs
                                       : nullptr;
    if (!list) {
      name += c;
      continue;
    }
    name += pick(*list, next_random);
    used += c;
  }
  if (pattern) *pattern = used;
  return fix_up_name(name);
}

bool name_bank_random(synth::bank& b, const name_words& words, int (*next_random)()) {
  if (words.structures.lines.empty()) return false;
  for (synth::preset& p : b.slots) {
    p.name = stored_name(random_name(words, next_random));
    p.category = "random";
  }
  return true;
}

}  // namespace files
