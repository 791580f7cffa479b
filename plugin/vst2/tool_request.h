// Private effVendorSpecific requests through which our own tools (vorn-render)
// fill the effect slots of an instance and send it the editor's commands,
// and follow a playing song. Hosts never send these codes; any other vendor
// request is unaffected. The records hold only plain fields, so a tool built
// with another C++ runtime than the plug-in's can fill them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/vst2/vst2.h"

namespace plugin {

constexpr int32_t tool_request_index = vst_fourcc('V', 'o', 'r', 'n');
constexpr int32_t fx_slot_request_value = vst_fourcc('F', 'x', 'S', 'l');

struct fx_slot_request {
  static constexpr size_t display_capacity = 64;

  int32_t slot = 0;        // 0..3
  int32_t parameter = -1;  // -1: put `name` into the slot; else set this parameter
  float value = 0.f;       // the parameter's value in its own range
  const char* name = "-";  // effect name; "-" empties the slot
  char display[display_capacity] = {};  // out: the effect's name, or "name = display"
};

// One command of the editor's channel (plugin/synth_command.h) for a tool:
// the fields of command_args that carry plain values, texts copied out.
// Commands that hand out engine records (pointers) are not for tools.
constexpr int32_t command_request_value = vst_fourcc('C', 'm', 'n', 'd');

struct command_request {
  static constexpr size_t text_capacity = 64;
  static constexpr size_t result_capacity = 1024;

  int32_t command = 0;
  int32_t index = 0;
  float value = 0.f;
  int32_t number = 0;
  const char* text = nullptr;            // in: a path or a name
  char text_out[text_capacity] = {};     // out: text_out, or the text the command returned
  char result[result_capacity] = {};     // out: the outcome text of file commands
  int32_t returned = 0;                  // out: the command's return value
};

// Where a song is: its player's mode (0 stopped, 1 playing), position, row,
// loop count, the rows played since it started, and the text of one of them.
constexpr int32_t sequence_status_value = vst_fourcc('S', 'q', 'S', 't');

struct sequence_status_request {
  static constexpr size_t text_capacity = 512;

  uint64_t row_wanted = 0;                // in: the row (counted from 0) whose text is wanted
  int32_t mode = 0;
  int32_t position = 0;
  int32_t row = 0;
  int32_t loop_count = 0;
  uint64_t rows_played = 0;
  int32_t has_text = 0;                   // 1: text holds row_wanted's line (colour bytes included)
  char text[text_capacity] = {};
};

// The editor drawn off-screen at a GUI scale with one tab page shown (0
// Global, 1 Route, 2 Effect), as the instance's values and meters are now:
// with null pixels only the size is reported; otherwise
// width x height pixels (0xAARRGGBB, rows top down) are written when
// capacity allows. Returns 1 when it did what was asked, 0 without an editor.
constexpr int32_t editor_shot_request_value = vst_fourcc('E', 'd', 'S', 'h');

struct editor_shot_request {
  float scale = 1.f;
  int32_t page = 0;
  int32_t width = 0;        // out
  int32_t height = 0;       // out
  uint32_t* pixels = nullptr;
  uint64_t capacity = 0;    // pixels the buffer holds
};

}  // namespace plugin
