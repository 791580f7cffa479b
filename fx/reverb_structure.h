// The Reverb's structure: every delay line of its sections carved from one
// block of memory, and the tail's per-element values in rows side by side,
// so that the network's kernels run several elements to a register. Built
// on the editor thread, used on the audio thread; plain data, no behaviour.
#pragma once

#include <cstddef>
#include <memory>
#include <new>

#include "fx/delay_line.h"

namespace fx::reverb_tail {

constexpr int max_elements = 16;
constexpr int max_diffusers = 8;
// Frames whose modulated read positions are worked out together, ahead of
// the sample loop (the LFO does not depend on the signal).
constexpr int mod_chunk = 64;
// The modulated read position's floor, 1.5 samples, and its interpolation
// coefficient (1 - 0.5) / (1 + 0.5) rounded to nearest: a constant,
// whatever rounding the processing call runs with (the value the floor has
// always had).
constexpr float shortest_read = 1.5f;
constexpr float eta_at_floor = (1.f - 0.5f) / (1.f + 0.5f);

// The lines and fixed lengths of one tail element; its coefficients and
// states live side by side in the structure (see below).
struct element {
  delay_line ap1;       // modulated allpass (buffer longer than its length)
  delay_line main;      // the delay, with a tap in its middle
  int tap = 1;
  delay_line ap2;
  float length_ratio = 1.f;  // loop length / mean loop length
};

// Elements rounded up to whole registers: four to an SSE2 register, eight
// to an AVX2 one. The lanes past n run on small lines of their own, with a
// gain of zero, and nobody listens to them; the structure carries them up
// to a whole register of eight, and each kernel runs as many as its width
// needs.
constexpr int sse2_width = 4;
constexpr int avx2_width = 8;
constexpr int padded(int n, int width) { return (n + width - 1) / width * width; }

// The rows are 32-byte aligned, an AVX2 register's width.
constexpr size_t row_alignment = 32;

struct structure {
  std::unique_ptr<float[]> memory;
  int n = 1;
  int lanes = avx2_width;  // padded(n, avx2_width): elements with lines
  bool ring = false;
  float mean_seconds = 0.036f;
  float excursion_limit = 1.f;  // samples
  delay_line pre[2];
  delay_line diff[2][max_diffusers];
  int diff_count = 2;
  element el[max_elements];
  // Per element, side by side: the first allpass's unmodulated length and
  // LFO phase offset, the coefficients (audio thread) and the states.
  alignas(row_alignment) float ap1_len[max_elements] = {};
  alignas(row_alignment) float lfo_offset[max_elements] = {};
  alignas(row_alignment) float g[max_elements] = {};
  alignas(row_alignment) float pole[max_elements] = {};
  alignas(row_alignment) float cut[max_elements] = {};
  alignas(row_alignment) float damp[max_elements] = {};
  alignas(row_alignment) float shelf[max_elements] = {};
  alignas(row_alignment) float out[max_elements] = {};
  alignas(row_alignment) float mid[max_elements] = {};
  alignas(row_alignment) float interp[max_elements] = {};
  // Per frame of the current chunk and element: the whole part of the
  // modulated first allpass's delay and its allpass interpolation coefficient.
  alignas(row_alignment) int whole[mod_chunk][max_elements];
  alignas(row_alignment) float eta[mod_chunk][max_elements];
  // Per element: the element whose output feeds it in the network (the
  // previous one, round the loop; itself below three elements).
  int feeder[max_elements];

  // The compiler takes aligned blocks from plain new for granted while the
  // C runtime's malloc gives 8 bytes on 32-bit Windows (16 elsewhere), so
  // the side-by-side rows above ask for their alignment outright.
  static void* operator new(size_t bytes) { return ::operator new(bytes, std::align_val_t(alignof(structure))); }
  static void operator delete(void* p) { ::operator delete(p, std::align_val_t(alignof(structure))); }
};

}  // namespace fx::reverb_tail
