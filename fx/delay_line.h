// Circular delay lines over caller-owned memory, for the Reverb's sections.
#pragma once

namespace fx {

struct delay_line {
  float* buf = nullptr;
  int size = 0;
  int pos = 0;  // the next write

  // A fixed delay of `size` samples: returns the oldest sample, stores x.
  float push(float x) {
    const float y = buf[pos];
    buf[pos] = x;
    if (++pos == size) pos = 0;
    return y;
  }
  void write(float x) {
    buf[pos] = x;
    if (++pos == size) pos = 0;
  }
  // The sample written d writes ago, 1 <= d <= size.
  float at(int d) const {
    int i = pos - d;
    if (i < 0) i += size;
    return buf[i];
  }
  // Linear interpolation between the neighbours of a fractional distance
  // 1 <= d <= size - 1.
  float at(float d) const {
    const int n = int(d);
    const float f = d - float(n);
    const float a = at(n);
    return a + (at(n + 1) - a) * f;
  }
  // Schroeder's allpass on this line (its size is the delay M):
  // w = x + g w[n - M], y = w[n - M] - g w.
  float allpass(float x, float g) {
    const float d = buf[pos];
    const float w = x + g * d;
    write(w);
    return d - g * w;
  }
};

}  // namespace fx
