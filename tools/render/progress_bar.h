// A one-line progress bar on standard error, drawn only when standard error is
// a terminal, so logs and pipes stay clean.
#pragma once

namespace render {

class progress_bar {
 public:
  progress_bar();
  ~progress_bar();
  void update(double fraction);  // 0..1; redraws only when the shown percentage changes
  void finish();

 private:
  bool enabled_;
  int shown_percent_ = -1;
};

}  // namespace render
