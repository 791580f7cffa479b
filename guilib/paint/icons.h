// Small vector artwork of the skin, drawn as antialiased strokes: waveform
// icons (thin accent strokes of the actual waveforms), the envelope icon and
// the "vorn" wordmark.
#pragma once

#include <string>
#include <vector>

#include "guilib/image/bitmap.h"

namespace gui {

// "cosine", "noise", "pcm", "pulse", "ramp", "random", "sine", "staircase", "triangle".
const std::vector<std::string>& waveform_icon_names();

// False (out empty) for an unknown name.
bool render_waveform_icon(bitmap& out, const std::string& name, int width, int height, color32 colour);

// An attack-decay-sustain-release outline with a faint fill below it.
void render_adsr_icon(bitmap& out, int width, int height, color32 colour);

// The wordmark: geometric capitals V, R, N with the O drawn as a knob.
void render_wordmark(bitmap& out, int width, int height);

}  // namespace gui
