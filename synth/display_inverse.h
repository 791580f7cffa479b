// A value from its display text: the inverse of a parameter's display law,
// found by asking the law itself, so the factory sound files can say
// "Filter Frequency: 1.20 kHz", a user can type "1.20 kHz" into the editor,
// and no law is written twice.
//
// Display texts are monotonic in the value wherever they hold a number (a
// time, a frequency, a level, a percentage), and rounding makes each printed
// number cover an interval of values; the inverse is the middle of that
// interval. Names ("Low 24 dB", "Hold", "16th") are found by scanning.
#pragma once

#include <functional>
#include <string>

namespace synth {

// The display text of one parameter at a value in its own units.
using display_law = std::function<std::string(float)>;

struct value_range {
  float min;
  float max;
  bool integer;
};

// A number with its unit brought to a base: seconds, hertz, or plain (dB,
// percent, cents, semitones, bits and bare numbers).
struct quantity {
  enum kind_t { none, time, frequency } kind = none;
  double value = 0.0;
};

// Parses "2.54 ms", "1.20 kHz", "-6.0 dB", "+7", "35%", "12 cents"; false for
// anything else ("Low 24 dB", "Hold", "12st 30cents").
bool parse_quantity(const std::string& text, quantity& out);

// The value whose display prints `text` (surrounding spaces ignored). False
// with a reason in error, naming the nearest texts the display does print,
// when no value prints it.
bool value_from_display(const display_law& law, value_range range, const std::string& text, float& out,
                        std::string& error);

}  // namespace synth
