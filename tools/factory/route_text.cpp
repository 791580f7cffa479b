#include "tools/factory/route_text.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "synth/param_table.h"
#include "synth/display_inverse.h"
#include "tools/factory/trim.h"

namespace factory {

using synth::parse_quantity;
using synth::quantity;

namespace {

constexpr size_t name_capacity = 64;
constexpr int controller_count = 128;

// The note and channel sources, by their index in that class.
constexpr const char* note_source_names[] = {"Key",       "Velocity",      "Pressure",  "Release", "Program",
                                             "Aftertouch", "Bender", "Note Bend", "Note Pressure", "Note Slide"};
constexpr const char* controller_prefix = "Controller ";


bool whole_number(const std::string& text, int lo, int hi, int& out) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end || v < lo || v > hi) return false;
  out = int(v);
  return true;
}

bool parse_source(const std::string& text, synth::route& r) {
  if (text == "1.0") {
    r.source_class = synth::route_source::constant;
    r.source_index = synth::route_constant_one;
    return true;
  }
  for (int i = 0; i < int(std::size(note_source_names)); ++i) {
    if (text != note_source_names[i]) continue;
    r.source_class = synth::route_source::note;
    r.source_index = i;
    return true;
  }
  const std::string prefix = controller_prefix;
  int number;
  if (text.compare(0, prefix.size(), prefix) != 0 ||
      !whole_number(text.substr(prefix.size()), 0, controller_count - 1, number))
    return false;
  r.source_class = synth::route_source::controller;
  r.source_index = number;
  return true;
}

bool parse_destination(const std::string& text, synth::route& r) {
  char name[name_capacity];
  for (int i = 0; i < synth::preset_param_count; ++i) {
    synth::full_name(i, name, sizeof name);
    if (text != name) continue;
    r.dest_class = synth::route_dest_parameter;
    r.dest_index = i;
    return true;
  }
  return false;
}

std::vector<std::string> split(const std::string& text, char at) {
  std::vector<std::string> out;
  size_t from = 0;
  for (size_t i = text.find(at); i != std::string::npos; i = text.find(at, from)) {
    out.push_back(trim(text.substr(from, i - from)));
    from = i + 1;
  }
  out.push_back(trim(text.substr(from)));
  return out;
}

}  // namespace

int route_row(const std::string& key) {
  const std::string prefix = "Route ";
  int row;
  if (key.compare(0, prefix.size(), prefix) != 0 || !whole_number(key.substr(prefix.size()), 1, synth::route_count, row))
    return -1;
  return row - 1;
}

bool parse_route(const std::string& value, synth::route& out, std::string& error) {
  const std::vector<std::string> arrow = split(value, '>');
  const std::vector<std::string> rest = arrow.size() == 2 ? split(arrow[1], ',') : std::vector<std::string>{};
  if (rest.size() != 3) {
    error = "expected \"SOURCE > PARAMETER, Add|Multiply, DEPTH%\"";
    return false;
  }
  if (!parse_source(arrow[0], out)) {
    error = "unknown source \"" + arrow[0] + "\"";
    return false;
  }
  if (!parse_destination(rest[0], out)) {
    error = "no such parameter \"" + rest[0] + "\"";
    return false;
  }
  if (rest[1] != "Add" && rest[1] != "Multiply") {
    error = "the mode is Add or Multiply";
    return false;
  }
  out.mode = rest[1] == "Add" ? synth::route_mode::add : synth::route_mode::multiply;
  quantity depth;
  // The depth is stored as a float: one too large for it would be infinite
  // and one too small 0, and the engine leaves either route unused.
  const bool number = !rest[2].empty() && rest[2].back() == '%' && parse_quantity(rest[2], depth);
  const double fraction = number ? depth.value / 100.0 : 0.0;
  if (!(std::fabs(fraction) <= double(FLT_MAX)) || float(fraction) == 0.f) {
    error = "the depth is a percentage other than 0%, within what a float holds";
    return false;
  }
  out.depth = float(fraction);
  return true;
}

}  // namespace factory
