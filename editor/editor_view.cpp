#include "editor/editor_view.h"

#include "editor/layout.h"
#include "guilib/style/palette.h"

namespace gui {

void build_editor_view(root_container& root, const ui_style& style, const synth_port& port, int32_t pcm_waves,
                       editor_view& v) {
  v.style = &style;
  const rect all = layout::scaled(0, 0, float(layout::base_width), float(layout::base_height), style.scale);
  // Bottom up: the colour behind everything, a user's picture, the panels,
  // and a user's overlay over them (images take no input).
  v.backdrop = &root.add<gradient>("gradient", all, palette::background);
  v.background_image = &root.add<image>("bgimage", all, bitmap{});
  root.add<container>("background", all);
  build_header(root, style, v);
  build_sections(root, style, port, pcm_waves, v);
  build_tabs(root, style, port, pcm_waves, v);
  v.overlay = &root.add<image>("background/overlay", all, bitmap{});
}

}  // namespace gui
