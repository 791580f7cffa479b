// File dialogs and message boxes. Where the window's backend has native ones
// (Win32) they are used, modal and at once; elsewhere the toolkit draws its
// own as a modal panel inside the window: a folder list, a file list filtered
// by the patterns, the path and name fields with buttons for the request's
// places, OK and Cancel; or the message
// with OK (and Cancel). Drawn panels work in every host without starting
// another process or a window that could hide behind the host's, and they
// look like the rest of the instrument.
//
// Keys in the drawn file dialog: Enter in the name field confirms, Tab and
// Shift+Tab move between the name field, the folder list and the file list,
// the arrows move in a list, Escape cancels. Names are UTF-8 on every system.
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

// A folder the drawn dialog offers as a button beside the path ("Factory").
struct file_place {
  std::string label;
  std::string folder;
};

struct file_request {
  bool save = false;
  std::string title;   // "Load Preset"
  // Pairs of a display name and a pattern list, each followed by a tab:
  // "Vorn Preset\t*.vornpreset;*.kvxi\t".
  std::string filter;
  std::string initial;  // a folder, a file path, or empty (the last folder used)
  std::vector<file_place> places;
};

// The longest file name the drawn dialog takes, in UTF-8 bytes: the common
// limit of file systems (255) less room for an extension appended later.
constexpr size_t max_file_name_bytes = 240;

// A typed or offered file name as it is saved: trailing blanks trimmed
// (they are invisible and some systems drop them) and at most
// max_file_name_bytes, cut at a character boundary.
std::string tidy_file_name(const std::string& name);

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
