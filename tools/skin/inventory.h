// What the built-in skin holds: every strip size and frame count the widgets
// and the editor ask for, the icons and the panel images.
#pragma once

#include <array>

namespace skin {

struct knob_size {
  int size;    // square frames
  int frames;
};
constexpr std::array<knob_size, 6> knob_sizes = {{{16, 65}, {24, 65}, {33, 65}, {39, 65}, {49, 97}, {66, 131}}};
// Variant 1 draws the value from the start of the track, 2 from 12 o'clock
// (bipolar amounts such as modulation depths).
constexpr std::array<int, 2> knob_variants = {1, 2};

struct switch_size {
  int width, height;
};
constexpr std::array<switch_size, 6> switch_sizes = {{{16, 8}, {24, 12}, {32, 16}, {38, 19}, {48, 24}, {64, 32}}};
constexpr std::array<int, 2> switch_positions = {2, 3};

constexpr int window_width = 762, window_height = 516;
constexpr int waveform_icon_width = 20, waveform_icon_height = 9;
constexpr int wordmark_width = 50, wordmark_height = 22;
constexpr int adsr_icon_width = 40, adsr_icon_height = 16;

}  // namespace skin
