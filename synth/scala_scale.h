// A Scala scale (.scl): a description line, a note count, then that many
// pitches, each in cents (a line with a ".") or as a ratio ("3/2", "2").
// Degree 0 is 1/1 and is not listed; the last listed pitch is the period the
// scale repeats at (usually 2/1).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace synth {

// Most notes a scale may list: well past every scale of the published
// archives (the largest hold a few hundred), and a bound on what a file costs.
constexpr int max_scale_notes = 1024;
// Largest magnitude of one pitch, in cents (about 83 octaves).
constexpr double max_scale_cents = 100000.0;

struct scala_scale {
  std::string description;
  std::vector<double> cents;  // degrees 1..n; cents.back() is the period
  int size() const { return int(cents.size()); }
  double period() const { return cents.back(); }
  // Cents of any degree d (negative and beyond the period included).
  double degree_cents(long long d) const;
};

// Reads a whole .scl text into `out`; on failure returns "Line N: reason"
// (or a reason for the whole text) and leaves `out` as it was.
std::string read_scala_scale(std::string_view text, scala_scale& out);

}  // namespace synth
