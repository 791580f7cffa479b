// The editor's undo and redo: a bounded list of steps, each the part of the
// instance an edit changed, as it was before and after. One step is one user
// gesture (a drag, a wheel burst, a typed value, a menu choice) or one action
// (a preset load, a randomisation, a bank operation).
//
// Plain records, kept and used on the editor's thread only; the audio thread
// never sees them. Applying a state goes through the engine's usual paths
// (edit_snapshot.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "synth/param_table.h"

namespace gui {

// One parameter's internal value; program -1 for the instance's globals.
struct param_record {
  int32_t index = -1;
  int32_t program = -1;
  float value = 0.f;
  bool operator==(const param_record&) const = default;
};

// A whole bank slot.
struct program_record {
  int32_t slot = -1;
  std::string name, category;
  std::array<float, synth::preset_param_count> values{};
  bool operator==(const program_record&) const = default;
};

struct route_record {
  int32_t source_class = 0, source_index = 0, dest_class = 0, dest_index = 0, mode = 0;
  float depth = 0.f;
  bool operator==(const route_record&) const = default;
};

// An effect slot: the effect's name ("-": empty) and its parameter values.
struct effect_record {
  std::string name;
  std::vector<float> values;
  bool operator==(const effect_record&) const = default;
};

// The parts of the instance a step covers, as they were at one moment. Empty
// parts are not covered.
struct edit_state {
  std::vector<param_record> params;
  std::vector<program_record> programs;
  std::vector<std::string> bank_name;  // none or one
  std::vector<route_record> routes;    // none or every row
  std::vector<effect_record> effects;  // none or every slot
  bool operator==(const edit_state&) const = default;
};

struct undo_step {
  std::string label;  // what the display says the step was ("Filter Frequency")
  edit_state before, after;
};

class undo_history {
 public:
  static constexpr size_t capacity = 200;  // steps kept; the oldest go first

  // A new edit: it becomes the step to undo, and nothing is left to redo.
  void push(undo_step s);
  bool can_undo() const { return !done_.empty(); }
  bool can_redo() const { return !undone_.empty(); }
  size_t undo_count() const { return done_.size(); }
  size_t redo_count() const { return undone_.size(); }
  // The step to apply backwards (its before) or forwards (its after), moved
  // to the other list; null when there is none. Valid until the next call.
  const undo_step* undo();
  const undo_step* redo();
  void clear();

 private:
  std::deque<undo_step> done_, undone_;
};

}  // namespace gui
