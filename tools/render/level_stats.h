// Peak and RMS of one channel, accumulated block by block over a whole render.
#pragma once

#include <cstdint>

namespace render {

class level_stats {
 public:
  void add(const float* x, int32_t n);
  double peak() const { return peak_; }
  double rms() const;
  int64_t frames() const { return frames_; }
  bool finite() const { return finite_; }

 private:
  double peak_ = 0.0;
  double sum_squares_ = 0.0;
  int64_t frames_ = 0;
  bool finite_ = true;
};

// 20 log10(amplitude): dB relative to full scale (1.0).
double to_dbfs(double amplitude);

}  // namespace render
