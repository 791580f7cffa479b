// A readable text description of an AHX module, compiled into its parts.
//
//   # a comment runs to the end of the line (a '#' that starts a word)
//   song "Name"               version 1        multiplier 1
//   restart 0                 rows 16          subsong 4
//
//   instrument 1 "Lead"       (numbered 1, 2, ... in order)
//     volume 48               wavelength 3
//     envelope 1 64 8 40 20 12 0   (attack ticks, volume; decay ticks, volume;
//                                   sustain ticks; release ticks, volume)
//     square 16 48 2          (pulse sweep limits and ticks per step)
//     filter 8 40 4           (filter sweep limits and speed, version 1)
//     vibrato 12 3 20         (delay ticks, depth, speed)
//     hardcut 2 release       (ticks before the next instrument's row)
//     playlist 1              (ticks per step)
//     step square +0 pulse 20 mod 01
//     step noise C-5 volume 30      (a fixed note)
//     step . +12                    (keep the waveform, an octave up)
//     step . . jump 00
//
//   track 1
//     0 C-3 1 F06             (row, note or ---, instrument or ., command or .)
//     4 E-3 . C20
//
//   positions                 (one line per position: track and transpose
//     1 0  2 0  0 0  3 -12     for each of the four channels)
//
// Step waveforms: triangle, saw, square, noise or "." to keep; notes "."
// (keep), +N (N semitones above the track note) or a name (fixed); effects
// filter, up, down, pulse, mod, jump, volume, speed, each with a hex
// parameter. Notes run C-1 .. B-5; commands are three hex digits ("F06").
#pragma once

#include <string>

#include "tools/ahx/module.h"

namespace ahx {

// False with "line N: reason" for text it cannot read.
bool parse_song_text(const std::string& text, module& out, std::string& error);

}  // namespace ahx
