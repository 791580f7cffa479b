// Scala tuning texts the tests write: an equal division of the octave, a
// just-intonation scale in ratio lines, and a keyboard mapping with its
// reference at 432 Hz and two silent keys in every octave.
#pragma once

#include <cstdio>
#include <string>

namespace test_support {

// n equal steps to the octave, in cents lines ("100.000000").
inline std::string equal_scale_text(int n) {
  std::string s = "! " + std::to_string(n) + "-edo.scl\n!\n" + std::to_string(n) + " equal steps to the octave\n " +
                  std::to_string(n) + "\n!\n";
  for (int i = 1; i <= n; ++i) {
    char line[32];
    std::snprintf(line, sizeof line, " %.6f\n", 1200.0 * i / n);
    s += line;
  }
  return s;
}

// Ptolemy's intense diatonic filled out to twelve notes; ratio lines, a
// whole-number line for the octave, comments after the values.
inline const char* just_scale_text() {
  return "! just12.scl\n"
         "!\n"
         "Five-limit just intonation, twelve notes\n"
         " 12\n"
         "!\n"
         " 16/15\n 9/8\n 6/5 minor third\n 5/4 major third\n 4/3\n 45/32\n"
         " 3/2 fifth\n 8/5\n 5/3\n 9/5\n 15/8\n 2\n";
}

// Ratios of just_scale_text's degrees 0..12, for the expected frequencies.
inline constexpr double just_ratios[13] = {1.0,       16.0 / 15, 9.0 / 8, 6.0 / 5, 5.0 / 4, 4.0 / 3, 45.0 / 32,
                                           3.0 / 2.0, 8.0 / 5,   5.0 / 3, 9.0 / 5, 15.0 / 8, 2.0};

// Twelve keys to the octave, middle key 60, A (key 69, degree 9) at 432 Hz;
// the keys of entries 1 and 6 (C# and F# in every octave) are silent.
inline const char* keymap_432_text() {
  return "! a432.kbm\n"
         "12\n0\n127\n60\n69\n432.0\n12\n"
         "! mapping\n"
         "0\nx\n2\n3\n4\n5\nx\n7\n8\n9\n10\n11\n";
}

}  // namespace test_support
