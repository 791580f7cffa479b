// The preview sheet: a mock-up of a few synth sections on the skin's
// background, then every knob strip (nine values from 0 to 1), every switch
// strip (all positions), the icons at 1x and 4x, the panel images and a line
// of text in every font.
#pragma once

#include "guilib/archive/archive.h"
#include "guilib/image/bitmap.h"

namespace preview {

gui::bitmap draw_sheet(const gui::archive_entry& root);

}  // namespace preview
