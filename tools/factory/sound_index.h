// The factory build's index, sounds.tsv: a header line, then one row per
// sound: slot, name, category and the state file it plays in (relative to
// the factory folder; empty: the bank alone). Written by vorn-factory; read
// by the audition tests, the factory benchmark and the LV2 preset generator.
#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace factory {

struct sound_row {
  int slot = -1;
  std::string name;
  std::string category;
  std::string state;
};

// The rows of the index at `path`; rows with fewer than four cells are
// skipped. Empty when the file cannot be read.
inline std::vector<sound_row> read_sound_index(const std::string& path) {
  std::ifstream in(path);
  std::vector<sound_row> out;
  std::string line;
  std::getline(in, line);  // the header
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // written elsewhere with CR LF
    std::istringstream fields(line);
    sound_row s;
    std::string slot;
    if (!std::getline(fields, slot, '\t') || !std::getline(fields, s.name, '\t') ||
        !std::getline(fields, s.category, '\t'))
      continue;
    std::getline(fields, s.state, '\t');  // the last cell may be empty
    s.slot = std::atoi(slot.c_str());
    out.push_back(s);
  }
  return out;
}

}  // namespace factory
