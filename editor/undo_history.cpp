#include "editor/undo_history.h"

#include <utility>

namespace gui {

void undo_history::push(undo_step s) {
  undone_.clear();
  done_.push_back(std::move(s));
  while (done_.size() > capacity) done_.pop_front();
}

const undo_step* undo_history::undo() {
  if (done_.empty()) return nullptr;
  undone_.push_back(std::move(done_.back()));
  done_.pop_back();
  return &undone_.back();
}

const undo_step* undo_history::redo() {
  if (undone_.empty()) return nullptr;
  done_.push_back(std::move(undone_.back()));
  undone_.pop_back();
  return &done_.back();
}

void undo_history::clear() {
  done_.clear();
  undone_.clear();
}

}  // namespace gui
