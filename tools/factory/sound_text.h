// The text form of one factory sound (assets/factory/NNN-name.sound) or of one
// instance set-up (assets/factory/rigs/*.rig), read into plain records; the
// names and values are resolved later, against the parameter table and the
// effect registry (sound_build.h).
//
//   # comment
//   Name: Velvet Sub                 the preset's name and category
//   Category: Bass
//   Filter Frequency: 420 Hz         parameters that differ from Init, by full
//   Env A Release: 120 ms            name, as the display shows them
//   [Instance]                       the instance's globals, switches and
//   Unison Voices: 4                 routes
//   Map note to preset: On
//   Route 1: Velocity > Filter Env B, Add, 30%
//   [Insert 1: Reverb]               an effect in insert slot 1..4 and the
//   Tail Size: 60%                   parameters that differ from its defaults
#pragma once

#include <string>
#include <vector>

namespace factory {

struct setting {
  std::string key;
  std::string value;
  int line = 0;
};

struct insert_block {
  int slot = 0;  // 1..4 as written
  std::string effect;
  std::vector<setting> values;
  int line = 0;
};

struct sound_text {
  std::string name;
  std::string category;
  std::vector<setting> preset;    // the lines before any section
  std::vector<setting> instance;  // [Instance]
  std::vector<insert_block> inserts;
};

// False with "line N: reason" in error for a line that is none of the above,
// a repeated key, section or slot, or a missing name.
bool read_sound_text(const std::string& text, sound_text& out, std::string& error);

}  // namespace factory
