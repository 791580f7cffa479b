// One line per row for the editor's display: "PP.RR|" and, per channel, the
// note ("C-4 ", lower case when it glides, "~~~ " cut, "!!! " release, "<-> "
// filter trigger, blanks for none), the instrument ("%2i " from 1) and the
// command with its parameter. Colour changes are byte 12 and three colour
// bytes, each made odd so that no byte of the text is 0.
#include <cstdio>
#include <cstring>

#include "sequencer/player.h"

namespace sequencer {

namespace {

struct rgb {
  uint8_t r, g, b;
  bool operator==(const rgb&) const = default;
};
constexpr rgb place_colour{160, 168, 208};
constexpr rgb note_colour{240, 240, 232};
constexpr rgb special_colour{255, 136, 104};
constexpr rgb instrument_colour{255, 208, 96};
constexpr rgb command_colour{128, 224, 160};

const char* const note_names[12] = {"C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"};

class text_writer {
 public:
  text_writer(char* out, size_t cap) : out_(out), cap_(cap) { out_[0] = '\0'; }
  void colour(rgb c) {
    if (has_colour_ && c == colour_) return;
    has_colour_ = true;
    colour_ = c;
    const char code[5] = {char(player::colour_code), char(c.r | 1), char(c.g | 1), char(c.b | 1), 0};
    put(code);
  }
  void put(const char* text) {
    const size_t n = std::strlen(text);
    if (used_ + n >= cap_) return;  // a line never outgrows the buffer: the rest is left out
    std::memcpy(out_ + used_, text, n + 1);
    used_ += n;
  }

 private:
  char* out_;
  size_t cap_;
  size_t used_ = 0;
  bool has_colour_ = false;
  rgb colour_{};
};

void write_note(text_writer& w, const cell& c) {
  char text[16];
  switch (c.note) {
    case note_code::none: w.put("    "); return;
    case note_code::cut: w.colour(special_colour); w.put("~~~ "); return;
    case note_code::release: w.colour(special_colour); w.put("!!! "); return;
    case note_code::filter_trigger: w.colour(special_colour); w.put("<-> "); return;
    default: break;
  }
  if (c.note < 0) {
    w.put("    ");
    return;
  }
  std::snprintf(text, sizeof text, "%s%X ", note_names[c.note % 12], unsigned(c.note / 12));
  if (!c.retrigger) text[0] = char(text[0] - 'A' + 'a');
  w.colour(note_colour);
  w.put(text);
}

void write_command(text_writer& w, const cell& c) {
  char text[16];
  if (c.command < 0) {
    w.put("    ");
    return;
  }
  const int p = c.parameter & 0xFF;
  if (c.command == cmd::volume && p == 0) {
    std::snprintf(text, sizeof text, "vi__");
  } else if (c.command == cmd::volume_slide) {
    if (p < 16) std::snprintf(text, sizeof text, "v-%02i", p);
    else std::snprintf(text, sizeof text, "v+%02i", p >> 4);
  } else if (const char* m = command_mnemonic(c.command)) {
    std::snprintf(text, sizeof text, "%s%02x", m, unsigned(p));
  } else {
    std::snprintf(text, sizeof text, "%02i%02x", int(c.command % 100), unsigned(p));
  }
  w.colour(command_colour);
  w.put(text);
}

}  // namespace

void player::write_row_text() {
  auto& line = texts_[size_t(rows_played_ % row_history)];
  text_writer w(line.data(), line.size());
  char text[32];
  w.colour(place_colour);
  std::snprintf(text, sizeof text, "%02i.%02i|", int(position_), int(row_));
  w.put(text);
  for (int32_t j = 0; j < song_.channels; ++j) {
    const cell& c = song_.at(position_, j, row_);
    write_note(w, c);
    if (c.instrument >= 0) {
      std::snprintf(text, sizeof text, "%2i ", int(c.instrument + 1));
      w.colour(instrument_colour);
      w.put(text);
    } else {
      w.put("   ");
    }
    write_command(w, c);
  }
  ++rows_played_;
}

}  // namespace sequencer
