// A modulation route as a factory sound file writes it, in its [Instance]:
//
//   Route 1: Velocity > Filter Env B, Add, 30%
//   Route 2: Controller 1 > Pitch Mod A, Add, 0.8%
//
// row 1..16; a source as the route menus name it ("1.0", "Key", "Velocity",
// "Pressure", "Release", "Program", "Aftertouch", "Bender", "Note Bend",
// "Note Pressure", "Note Slide", "Controller N");
// a per-preset parameter by full name; "Add" or "Multiply"; and the depth in
// percent (an added 100% moves the parameter across its whole range).
#pragma once

#include <string>

#include "synth/routes.h"

namespace factory {

// "Route 3" -> row 2; -1 for any other key.
int route_row(const std::string& key);

// The route a line's value describes. False with the reason in error.
bool parse_route(const std::string& value, synth::route& out, std::string& error);

}  // namespace factory
