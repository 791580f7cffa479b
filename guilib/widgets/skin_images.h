// Skin images at a GUI scale. At scale 1 they come from the archive as they
// are; at other scales the vector artwork (waveform icons, the envelope icon,
// the wordmark) is drawn again at the scaled size, so it stays sharp, and
// other images are scaled (nearest neighbour). Made on first use and kept.
#pragma once

#include <string>

#include "guilib/image/bitmap.h"

namespace gui {

// path as in the archive ("image/icon/waveform/sine"); an empty bitmap when
// the archive does not have it. UI thread only.
const bitmap& skin_image(const std::string& path, float scale);

}  // namespace gui
