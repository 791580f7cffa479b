// Standard MIDI File reader for formats 0 and 1: every track merged into one
// list of channel messages in time order, with times in seconds through the
// file's tempo map. Meta and system-exclusive events are skipped; every length
// is checked against the bytes present, so a damaged file gives an error text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace midi {

struct timed_message {
  double seconds;
  uint8_t bytes[3];  // status, data1, data2 (0 when the message has one data byte)
  uint8_t size;      // 2 or 3
};

struct song {
  int32_t format = 0;
  int32_t tracks = 0;
  int32_t division = 0;  // the header's raw division word
  int32_t tempo_changes = 0;
  std::vector<timed_message> messages;  // sorted by seconds, file order on ties
  double length_seconds = 0.0;          // the last event of any kind, end-of-track included
};

// The default tempo of a file without tempo events: 120 BPM.
constexpr uint32_t default_us_per_quarter = 500000;

// Parses a whole file image. False with a reason in error; out is then empty.
bool parse(const uint8_t* data, size_t size, song& out, std::string& error);
bool read_file(const std::string& path, song& out, std::string& error);

}  // namespace midi
