// The LZW codec's bit streams, most significant bit first. The reader
// appends whole bytes at the low end of its accumulator and takes codes from
// the top, feeding 0xFF past the end of its input. The writer shifts codes in
// at the low end and emits the top eight bits whenever it holds eight; past
// its capacity it counts bytes without storing them (the measuring pass).
#pragma once

#include <cstddef>
#include <cstdint>

namespace gui {

class lzw_bit_reader {
 public:
  lzw_bit_reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  // True when the input is used up and fewer than `width` bits are held.
  bool exhausted(int width) const { return pos_ >= size_ && bits_ < width; }

  uint32_t read(int width) {
    while (bits_ < width) {
      acc_ = (acc_ << 8) | (pos_ < size_ ? data_[pos_] : 0xFFu);
      ++pos_;
      bits_ += 8;
    }
    bits_ -= width;
    return uint32_t(acc_ >> bits_) & ((1u << width) - 1u);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  int bits_ = 0;
  uint64_t acc_ = 0;
};

class lzw_bit_writer {
 public:
  lzw_bit_writer(uint8_t* data, size_t capacity) : data_(data), capacity_(capacity) {}

  void write(uint32_t code, int width) {
    acc_ = (acc_ << width) | code;
    bits_ += width;
    while (bits_ >= 8) {
      bits_ -= 8;
      emit(uint8_t(acc_ >> bits_));
    }
  }
  void flush() {
    if (bits_ > 0) emit(uint8_t(acc_ << (8 - bits_)));
    bits_ = 0;
  }
  size_t position() const { return pos_; }

 private:
  void emit(uint8_t byte) {
    if (pos_ < capacity_) data_[pos_] = byte;
    ++pos_;
  }
  uint8_t* data_;
  size_t capacity_;
  size_t pos_ = 0;
  int bits_ = 0;
  uint64_t acc_ = 0;
};

}  // namespace gui
