#include "guilib/archive/lzw.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "guilib/archive/lzw_bits.h"
#include "guilib/file_bytes.h"

namespace gui {

namespace {

// Code widths and table size for one call. The initial width is one bit
// above the symbol width (3 for one-bit symbols); codes below first_free
// stand for the single symbols.
struct lzw_shape {
  int symbol_bits;
  int capacity;
  int initial_width;
  int first_free;
  uint32_t symbol_mask;

  static bool make(int symbol_bits, int capacity, lzw_shape& s) {
    if (symbol_bits < 1 || symbol_bits > 16) return false;
    s.symbol_bits = symbol_bits;
    s.capacity = capacity;
    s.initial_width = symbol_bits == 1 ? 3 : symbol_bits + 1;
    s.first_free = 1 << (s.initial_width - 1);
    s.symbol_mask = (1u << symbol_bits) - 1u;
    // A power of two keeps every code below the capacity (the widest code
    // is log2(capacity) bits); the decoder needs room for its two spare codes.
    const bool power_of_two = capacity > 0 && (capacity & (capacity - 1)) == 0;
    return power_of_two && capacity <= (1 << 24) && capacity >= 2 * s.first_free;
  }
};

// Encoder table: per prefix a first-child / next-sibling tree of extensions.
// Only entries below the next free code are ever read, and add() writes each
// entry it creates, so a reset needs to clear just the single-symbol codes.
class lzw_encoder_table {
 public:
  // slots: how many entries this input can ever define (see table_slots).
  lzw_encoder_table(const lzw_shape& s, size_t slots) : s_(s), entries_(new entry[slots]) {
    reset();
  }
  void reset() {
    next_ = s_.first_free;
    width_ = s_.initial_width;
    for (int i = 0; i < s_.first_free; ++i) entries_[size_t(i)] = {uint32_t(i), -1, -1};
  }
  // The extension of prefix by c, or -1; `last` receives the last child examined.
  int32_t find(int32_t prefix, uint32_t c, int32_t& last) const {
    last = -1;
    for (int32_t child = entries_[size_t(prefix)].first_child; child != -1; child = entries_[size_t(child)].next_sibling) {
      if (entries_[size_t(child)].symbol == c) return child;
      last = child;
    }
    return -1;
  }
  void add(int32_t prefix, uint32_t c, int32_t last) {
    const int32_t e = next_;
    entries_[size_t(e)] = {c, -1, -1};
    (last == -1 ? entries_[size_t(prefix)].first_child : entries_[size_t(last)].next_sibling) = e;
    ++next_;
    if (next_ == 1 << width_) ++width_;
    if (next_ == s_.capacity) reset();
  }
  int width() const { return width_; }

 private:
  struct entry {
    uint32_t symbol;
    int32_t first_child, next_sibling;
  };
  const lzw_shape& s_;
  std::unique_ptr<entry[]> entries_;  // left uninitialised: written before read
  int32_t next_ = 0;
  int width_ = 0;
};

// Decoder table: per code its prefix code and last symbol, plus the first
// symbol and length of its string, so that a string is walked in a bounded
// number of steps even when damaged input links entries into a cycle. Codes
// at or above the next free code read as they would right after a reset (no
// prefix, the code itself as symbol): damaged input can name them, and
// answering from the reset state keeps the output deterministic without
// clearing the whole table on every reset.
class lzw_decoder_table {
 public:
  lzw_decoder_table(const lzw_shape& s, size_t slots) : s_(s), entries_(new entry[slots]) { reset(); }
  void reset() {
    next_ = s_.first_free;
    width_ = s_.initial_width;
  }
  void emit(uint32_t code, lzw_bit_writer& out) {
    const uint32_t n = get(code).length;
    if (stack_.size() < n) stack_.resize(n);
    uint32_t k = 0;
    for (int32_t c = int32_t(code); c != -1 && k < n; c = get(uint32_t(c)).prefix) stack_[k++] = get(uint32_t(c)).symbol;
    while (k > 0) out.write(stack_[--k] & s_.symbol_mask, s_.symbol_bits);
  }
  void add(uint32_t prev, uint32_t symbol) {
    const entry p = get(prev);
    entries_[size_t(next_)] = {int32_t(prev), symbol, p.first, std::min<uint32_t>(p.length + 1, uint32_t(s_.capacity))};
    ++next_;
    if (next_ + 1 == 1 << width_) ++width_;
  }
  uint32_t first(uint32_t code) const { return get(code).first; }
  int32_t next() const { return next_; }
  int width() const { return width_; }

 private:
  struct entry {
    int32_t prefix;
    uint32_t symbol, first, length;
  };
  entry get(uint32_t code) const {
    if (int32_t(code) < s_.first_free || int32_t(code) >= next_) return {-1, code, code, 1};
    return entries_[code];
  }
  const lzw_shape& s_;
  std::unique_ptr<entry[]> entries_;  // entries first_free .. next - 1 are valid
  std::vector<uint32_t> stack_;       // grows to the longest string met
  int32_t next_ = 0;
  int width_ = 0;
};

// Each code read or written defines at most one entry, so a short input needs
// only a short table: memory and set-up follow the input, not the capacity.
size_t table_slots(const lzw_shape& s, size_t codes) {
  return size_t(s.first_free) + std::min(codes, size_t(s.capacity) - size_t(s.first_free));
}

}  // namespace

size_t lzw_encode(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_capacity, int symbol_bits,
                  int capacity) {
  lzw_shape s{};
  if (!lzw_shape::make(symbol_bits, capacity, s)) return 0;
  const size_t symbols = in_size * 8 / size_t(symbol_bits);
  if (symbols == 0) return 0;
  lzw_encoder_table table(s, table_slots(s, symbols));
  lzw_bit_reader source(in, in_size);
  lzw_bit_writer sink(out, out ? out_capacity : 0);

  int32_t prefix = int32_t(source.read(symbol_bits));
  for (size_t i = 1; i < symbols; ++i) {
    const uint32_t c = source.read(symbol_bits);
    int32_t last;
    const int32_t child = table.find(prefix, c, last);
    if (child != -1) {
      prefix = child;
      continue;
    }
    sink.write(uint32_t(prefix), table.width());
    table.add(prefix, c, last);
    prefix = int32_t(c);
  }
  sink.write(uint32_t(prefix), table.width());
  sink.flush();
  return sink.position();
}

size_t lzw_decode(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_capacity, int symbol_bits,
                  int capacity) {
  lzw_shape s{};
  if (!lzw_shape::make(symbol_bits, capacity, s) || in_size == 0) return 0;
  lzw_decoder_table table(s, table_slots(s, in_size * 8 / size_t(s.initial_width) + 1));
  lzw_bit_reader source(in, in_size);
  lzw_bit_writer sink(out, out ? out_capacity : 0);

  uint32_t prev = source.read(table.width());
  table.emit(prev, sink);
  uint32_t first = table.first(prev);
  while (!source.exhausted(table.width())) {
    const uint32_t code = source.read(table.width());
    if (int32_t(code) < table.next()) {
      table.emit(code, sink);
      first = table.first(code);
    } else {  // the code this very step defines: prev's string and its own first symbol
      table.emit(prev, sink);
      sink.write(first & s.symbol_mask, symbol_bits);
      first = table.first(prev);
    }
    if (table.next() == capacity - 2) {
      table.reset();
      if (source.exhausted(table.width())) break;
      prev = source.read(table.width());
      table.emit(prev, sink);
      first = table.first(prev);
      continue;
    }
    table.add(prev, first);
    prev = code;
  }
  sink.flush();
  return sink.position();
}

std::vector<uint8_t> lzw_pack(const uint8_t* in, size_t in_size) {
  std::vector<uint8_t> out(lzw_encode(in, in_size, nullptr, 0));
  lzw_encode(in, in_size, out.data(), out.size());
  return out;
}

bool lzw_unpack(const uint8_t* in, size_t in_size, std::vector<uint8_t>& out, size_t max_size) {
  const size_t n = lzw_decode(in, in_size, nullptr, 0);
  out.clear();
  if (n > max_size) return false;
  out.resize(n);
  lzw_decode(in, in_size, out.data(), out.size());
  return true;
}

bool lzw_encode_file(const std::string& in_path, const std::string& out_path) {
  std::vector<uint8_t> in;
  if (!read_file_bytes(in_path, in)) return false;
  const std::vector<uint8_t> out = lzw_pack(in.data(), in.size());
  return write_file_bytes(out_path, out.data(), out.size());
}

bool lzw_decode_file(const std::string& in_path, const std::string& out_path) {
  std::vector<uint8_t> in, out;
  if (!read_file_bytes(in_path, in)) return false;
  const size_t n = lzw_decode(in.data(), in.size(), nullptr, 0);
  out.resize(n);
  lzw_decode(in.data(), in.size(), out.data(), out.size());
  return write_file_bytes(out_path, out.data(), out.size());
}

}  // namespace gui
