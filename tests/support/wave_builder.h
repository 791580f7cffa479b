// Builds RIFF WAVE files byte by byte for tests and fuzz seeds: the chunks a
// sampler writes ("smpl" with loops, LIST/INFO with INAM) and the damaged
// layouts a reader must survive, which sound tools do not write.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace test_support {

class wave_builder {
 public:
  // "fmt " with the given tag (1 integer, 3 float), channels, rate and bits.
  wave_builder& format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    std::vector<uint8_t> p;
    put16(p, tag);
    put16(p, channels);
    put32(p, rate);
    put32(p, rate * channels * (bits / 8u));
    put16(p, uint16_t(channels * (bits / 8u)));
    put16(p, bits);
    return chunk("fmt ", p);
  }
  wave_builder& data(const std::vector<uint8_t>& bytes) { return chunk("data", bytes); }
  wave_builder& data16(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> p;
    for (int16_t s : samples) put16(p, uint16_t(s));
    return data(p);
  }
  wave_builder& data_float(const std::vector<float>& samples) {
    std::vector<uint8_t> p;
    for (float s : samples) {
      uint32_t bits;
      std::memcpy(&bits, &s, 4);
      put32(p, bits);
    }
    return data(p);
  }
  // A sampler chunk with one loop (type 0 forward) when loop_end >= loop_start.
  wave_builder& sampler(uint32_t unity_note, uint32_t pitch_fraction, bool loop, uint32_t loop_start,
                        uint32_t loop_end, uint32_t loop_fraction = 0) {
    std::vector<uint8_t> p;
    for (uint32_t v : {0u, 0u, 0u, unity_note, pitch_fraction, 0u, 0u, loop ? 1u : 0u, 0u}) put32(p, v);
    if (loop)
      for (uint32_t v : {0u, 0u, loop_start, loop_end, loop_fraction, 0u}) put32(p, v);
    return chunk("smpl", p);
  }
  wave_builder& title(const std::string& name) {
    std::vector<uint8_t> inam(name.begin(), name.end());
    inam.push_back(0);
    std::vector<uint8_t> list = {'I', 'N', 'F', 'O'};
    append_chunk(list, "INAM", inam);
    return chunk("LIST", list);
  }
  // Any chunk; odd sizes get their pad byte.
  wave_builder& chunk(const char* id, const std::vector<uint8_t>& payload) {
    append_chunk(body_, id, payload);
    return *this;
  }
  std::vector<uint8_t> bytes() const {
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
    put32(out, uint32_t(body_.size() + 4));
    out.insert(out.end(), {'W', 'A', 'V', 'E'});
    out.insert(out.end(), body_.begin(), body_.end());
    return out;
  }

 private:
  static void put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
  }
  static void put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
  }
  static void append_chunk(std::vector<uint8_t>& to, const char* id, const std::vector<uint8_t>& payload) {
    to.insert(to.end(), id, id + 4);
    put32(to, uint32_t(payload.size()));
    to.insert(to.end(), payload.begin(), payload.end());
    if (payload.size() & 1) to.push_back(0);
  }
  std::vector<uint8_t> body_;
};

}  // namespace test_support
