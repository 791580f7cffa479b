#include "synth/display_inverse.h"

#include <cmath>
#include <cstdlib>
#include <iterator>


namespace synth {

namespace {

// Text without its surrounding blanks (and the carriage return of a line
// written on Windows).
std::string trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

// Names are found on a grid this fine: the finest named steps are the LFO
// "Audio" range's 720 tenth-semitone steps.
constexpr int scan_intervals = 4096;
// Halvings of the range in each bisection: far below a float's resolution.
constexpr int bisection_steps = 60;
// Probes for the direction of a law, this far inside each end of the range
// (the ends themselves often print a name: "-", "Hold", "Left").
constexpr double probe_inset = 1e-3;
// Two printed numbers are the same when they agree this closely (both come
// from decimal text of at most a few digits).
constexpr double same_number = 1e-9;

struct unit_row {
  const char* name;
  quantity::kind_t kind;
  double scale;  // to seconds or hertz
};

constexpr unit_row units[] = {
    {"", quantity::none, 1.0},        {"%", quantity::none, 1.0},         {"dB", quantity::none, 1.0},
    {"cents", quantity::none, 1.0},   {"semitones", quantity::none, 1.0}, {"bits", quantity::none, 1.0},
    {"us", quantity::time, 1e-6},     {"ms", quantity::time, 1e-3},       {"s", quantity::time, 1.0},
    {"Hz", quantity::frequency, 1.0}, {"kHz", quantity::frequency, 1e3},  {"MHz", quantity::frequency, 1e6},
    {"GHz", quantity::frequency, 1e9}, {"THz", quantity::frequency, 1e12},
};


// The printed number of a law at v on the scale of `kind`: a period printed
// for a slow frequency ("1.97 s" of an LFO rate) counts as its frequency.
// NaN when v prints a name or a number of another kind.
double number_at(const display_law& law, double v, quantity::kind_t kind) {
  quantity q;
  if (!parse_quantity(law(float(v)), q)) return NAN;
  if (q.kind == quantity::time && kind == quantity::frequency) return 1.0 / q.value;
  return q.kind == kind ? q.value : NAN;
}

bool close(double a, double b) { return std::fabs(a - b) <= same_number * std::max(std::fabs(a), std::fabs(b)); }

// The first value, in the direction the law rises, whose number is past the
// target (strict) or at least at it. The law is monotonic between the probes;
// a name printed at an exact point inside the range (0 of a bipolar range
// reads "Center") is stepped over.
double first_past(const display_law& law, value_range r, quantity::kind_t kind, bool rising, double target,
                  bool strict) {
  double lo = r.min, hi = r.max;
  for (int i = 0; i < bisection_steps; ++i) {
    double mid = 0.5 * (lo + hi);
    double x = number_at(law, mid, kind);
    if (std::isnan(x)) x = number_at(law, mid + (hi - lo) * 1e-6, kind);
    if (std::isnan(x)) {  // no number here: the ends decide
      (mid < 0.5 * (r.min + r.max) ? lo : hi) = mid;
      continue;
    }
    const double ahead = rising ? x - target : target - x;
    const bool past = strict ? ahead > same_number * std::fabs(target) : ahead >= -same_number * std::fabs(target);
    (past ? hi : lo) = mid;
  }
  return hi;
}

// The kind of number a law prints, judged near the top of its range (a
// frequency law may print slow values as periods further down).
bool law_kind(const display_law& law, value_range r, quantity::kind_t& out) {
  quantity top;
  if (!parse_quantity(law(float(r.max - (r.max - r.min) * probe_inset)), top)) return false;
  out = top.kind;
  return true;
}

bool from_number(const display_law& law, value_range r, const quantity& target, float& out, std::string& error) {
  const double span = r.max - r.min;
  quantity::kind_t kind = quantity::none;
  const bool printed = law_kind(law, r, kind);
  const bool period = target.kind == quantity::time && kind == quantity::frequency;
  if (!printed || (kind != target.kind && !period)) {
    error = "the display shows no numbers of this kind (it reads \"" + law(float(r.min + span * probe_inset)) +
            "\" to \"" + law(float(r.max - span * probe_inset)) + "\")";
    return false;
  }
  const double goal = period ? 1.0 / target.value : target.value;
  const bool rising = number_at(law, r.max - span * probe_inset, kind) >= number_at(law, r.min + span * probe_inset, kind);
  const double first = first_past(law, r, kind, rising, goal, false);
  const double past = first_past(law, r, kind, rising, goal, true);
  const double mid = 0.5 * (first + past);
  if (close(number_at(law, mid, kind), goal)) {
    out = float(mid);
    return true;
  }
  const bool outside = first >= r.max - span * 1e-9 || first <= r.min + span * 1e-9;
  error = outside ? "outside the range \"" + law(r.min) + "\" .. \"" + law(r.max) + "\""
                  : "not a value the display shows; nearby: \"" + law(float(first - span * 1e-6)) + "\" and \"" +
                        law(float(first)) + "\"";
  return false;
}

// The middle of the first run of grid values that print exactly `text`.
bool from_name(const display_law& law, value_range r, const std::string& text, float& out, std::string& error) {
  int run_start = -1, run_end = -1;
  for (int i = 0; i <= scan_intervals; ++i) {
    const double v = r.min + (r.max - r.min) * i / scan_intervals;
    if (trim(law(float(v))) == text) {
      if (run_start < 0) run_start = i;
      run_end = i;
    } else if (run_start >= 0) {
      break;
    }
  }
  if (run_start < 0) {
    error = "not a text the display shows (from \"" + law(r.min) + "\" to \"" + law(r.max) + "\")";
    return false;
  }
  out = float(r.min + (r.max - r.min) * (0.5 * (run_start + run_end)) / scan_intervals);
  return true;
}

bool from_integer(const display_law& law, value_range r, const std::string& text, float& out, std::string& error) {
  std::string choices;
  for (float w = std::ceil(r.min); w <= r.max; w += 1.f) {
    const std::string shown = trim(law(w));
    if (shown == text) {
      out = w;
      return true;
    }
    if (!choices.empty()) choices += ", ";
    choices += "\"" + shown + "\"";
  }
  error = "not one of " + choices;
  return false;
}

}  // namespace

bool parse_quantity(const std::string& text, quantity& out) {
  const std::string t = trim(text);
  if (t.empty()) return false;
  char* end = nullptr;
  const double number = std::strtod(t.c_str(), &end);
  if (end == t.c_str() || !std::isfinite(number)) return false;
  const std::string unit = trim(end);
  for (const unit_row& u : units) {
    if (unit == u.name) {
      out.kind = u.kind;
      out.value = number * u.scale;
      return true;
    }
  }
  return false;
}

bool value_from_display(const display_law& law, value_range range, const std::string& text, float& out,
                        std::string& error) {
  const std::string t = trim(text);
  if (range.integer) return from_integer(law, range, t, out, error);
  // The ends, and 0, often print a name of their own ("-", "Center", "Hold").
  for (float v : {range.min, range.max, 0.f}) {
    if (v >= range.min && v <= range.max && trim(law(v)) == t) {
      out = v;
      return true;
    }
  }
  // A number is found by bisection; a name, or a number that is really a
  // name ("16" bars of a tempo-synced rate), by scanning.
  quantity q;
  if (!parse_quantity(t, q)) return from_name(law, range, t, out, error);
  if (from_number(law, range, q, out, error)) return true;
  std::string ignored;
  return from_name(law, range, t, out, ignored);
}

}  // namespace synth
