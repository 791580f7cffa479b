// Text broken into lines of a width, for message boxes, the editor's display
// and its hover notes. Lines break at spaces; "\n\n" separates paragraphs (a
// blank line between them); a single "\n" inside a paragraph reads as a space,
// since texts written for a narrower box carry breaks that would leave a word
// alone on a line here. A word wider than the width gets a line of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "guilib/font/font.h"

namespace gui {

// As many words on each line as fit, paragraph by paragraph.
std::vector<std::string> wrap_greedy(const font& f, const std::string& text, int32_t width);

// The same number of lines as the greedy break, each paragraph's lines made
// about equally long (the narrowest width that needs no more lines), so the
// last line of a paragraph is not a lone word.
std::vector<std::string> wrap_evenly(const font& f, const std::string& text, int32_t width);

}  // namespace gui
