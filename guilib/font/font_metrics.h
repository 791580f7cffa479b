// The metrics text of a font file. Lines end in CR or LF; a line's words are
// separated by blanks and "=":
//   name = DejaVu Sans 7        ascent = 8        descent = 2
//   space = 2                   default_leading = 0   default_trailing = 1
//   overhang = 2                (rows of the sheet above the ascent; 0 if missing)
//   width {       one line per character: the character (UTF-8), a blank, its width
//   A 5           listing a character beyond "~" gives it a glyph of its own
//   é 4
//   }
//   leading { ... }  trailing { ... }    the same form, values may be negative
//   kerning {     a pair and a signed number ("Tw-1", "f?1"); a bare pair ("AV") means -1;
//                 pairs beyond Latin-1 are skipped
//   }
// A key is the first line whose first word equals it; a scalar's number
// starts two characters after the line's "=" (so "key = 9"); a missing key
// gives 0, a missing default_trailing 1. Blocks run to the line "}".
#pragma once

#include <cstddef>

#include "guilib/font/font.h"

namespace gui {

// Fills f's name, ascent, descent, space, glyph metrics, x offsets and
// kerning from the text; the sheet is left alone. Values are bounded to what
// a glyph sheet can mean (widths 0..255, spacings and kerning within a byte).
void parse_metrics(font& f, const char* text, size_t size);

}  // namespace gui
