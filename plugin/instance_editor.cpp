// The one place an instance meets the editor library: the editor every shell
// shows. Kept apart from instance.cpp so that programs without the editor
// (the fuzz targets, the engine tests) link the instance alone.
#include "editor/synth_editor.h"
#include "plugin/instance.h"

namespace plugin {

instance* instance::create(host_shell* host, bool with_editor) {
  return create(host, with_editor ? gui::make_synth_editor : editor_factory(nullptr));
}

}  // namespace plugin
