#include "guilib/archive/gui_archive.h"

#include "platform/resources.h"

namespace gui {

namespace {

struct builtin_state {
  bool skin_mounted = false;
  bool fonts_mounted = false;
  bool initialised = false;
};

builtin_state& state() {
  static builtin_state s;
  return s;
}

void mount_once(const char* name, bool& mounted) {
  if (mounted) return;
  const uint8_t* data = nullptr;
  size_t size = 0;
  if (load_resource_blob(name, data, size)) mounted = mount(data, size, gui_archive().root());
}

}  // namespace

archive& gui_archive() {
  static archive a;  // freed by its at-exit destructor when the library unloads
  return a;
}

bool load_resource_blob(const char* name, const uint8_t*& data, size_t& size) {
  const platform::resource_blob blob = platform::find_resource(resource_type_varc, name);
  if (!blob) return false;
  data = blob.data;
  size = blob.size;
  return true;
}

void mount_builtin() {
  builtin_state& s = state();
  mount_once(resource_skin, s.skin_mounted);
  mount_once(resource_fonts, s.fonts_mounted);
  s.initialised = true;
}

bool gui_resources_initialised() { return state().initialised; }

}  // namespace gui
