// The display's two lines and what they do with a message too long for them:
// a first line with no second wraps onto the second; a line that still does
// not fit scrolls once, after a pause, to its end and back, then rests
// shortened with "..."; a hover over the display shows the whole message.
#pragma once

#include <cstdint>
#include <string>

namespace gui {

struct editor_view;

// Where the scrolling of the two lines stands, in editor timer ticks.
struct display_scroll {
  int32_t tick = 0;
  bool running = false;
};

void show_message(editor_view& v, display_scroll& s, const std::string& line0, const std::string& line1);
// One timer tick: moves a scrolling line on.
void tick_display(editor_view& v, display_scroll& s);

}  // namespace gui
