// File dialogs and message boxes. Where the window's backend has native ones
// (Win32) they are used, modal and at once; elsewhere the toolkit draws its
// own as a modal panel inside the window: a folder list, a file list filtered
// by the patterns, the path and name fields, OK and Cancel; or the message
// with OK (and Cancel). Drawn panels work in every host without starting
// another process or a window that could hide behind the host's, and they
// look like the rest of the instrument.
//
// Both report through a completion function, called once, later for a panel
// (when the user closes it) and before returning for a native dialog: callers
// write the rest of their action in it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "guilib/widgets/ui_style.h"

namespace gui {

class root_container;

struct file_request {
  bool save = false;
  std::string title;   // "Load Preset"
  // Pairs of a display name and a pattern list, each followed by a tab:
  // "Vorn Preset\t*.vornpreset;*.kvxi\t".
  std::string filter;
  std::string initial;  // a folder, a file path, or empty (the last folder used)
};

using file_done = std::function<void(bool chosen, const std::string& path)>;
using confirm_done = std::function<void(bool ok)>;

void ask_file(root_container& root, const ui_style& style, const file_request& request, file_done done);
void show_message(root_container& root, const ui_style& style, const std::string& caption, const std::string& text,
                  bool ok_cancel, confirm_done done);

// The filter's pairs: display names and, for each, its patterns.
struct file_filter {
  std::string name;
  std::vector<std::string> patterns;  // "*.vornpreset"
};
std::vector<file_filter> parse_file_filter(const std::string& filter);
// Whether a file name matches a pattern of "*" and "?" wildcards, ignoring case.
bool matches_pattern(const std::string& name, const std::string& pattern);

}  // namespace gui
