// The LV2 UI module: the editor inside the host's X11 window, on a mirror
// instance the UI owns (plugin/lv2/ui_mirror.h). It needs no access to the
// plug-in instance: parameters go through the control ports, everything else
// the editor changes as state bytes in atom messages, which the plug-in
// loads on its worker thread.
#include <chrono>
#include <cstring>

#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include "editor/synth_editor.h"
#include "plugin/editor_object.h"
#include "plugin/instance.h"
#include "plugin/lv2/ui_mirror.h"
#include "plugin/lv2/uris.h"

// Last: Xlib defines Bool, which the atom forge uses as a name.
#include <X11/Xlib.h>

namespace {

using plugin::lv2::ui_mirror;

struct lv2_ui {
  ui_mirror* mirror = nullptr;
  plugin::editor_object* editor = nullptr;
};

// The window the editor made in `parent`: its newest child.
Window newest_child(Window parent) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 0;
  Window root = 0;
  Window up = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  Window found = 0;
  if (XQueryTree(display, parent, &root, &up, &children, &count) && count > 0) found = children[count - 1];
  if (children) XFree(children);
  XCloseDisplay(display);
  return found;
}

const void* feature(const LV2_Feature* const* features, const char* uri) {
  for (int i = 0; features && features[i]; ++i)
    if (std::strcmp(features[i]->URI, uri) == 0) return features[i]->data;
  return nullptr;
}

double seconds_now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* plugin_uri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
  if (std::strcmp(plugin_uri, plugin::lv2::plugin_uri) != 0 || !write) return nullptr;
  auto* map = static_cast<LV2_URID_Map*>(const_cast<void*>(feature(features, LV2_URID__map)));
  void* parent = const_cast<void*>(feature(features, LV2_UI__parent));
  if (!map || !parent) return nullptr;
  ui_mirror* mirror = ui_mirror::create(
      map,
      [write, controller](uint32_t port, uint32_t size, uint32_t protocol, const void* data) {
        write(controller, port, size, protocol, data);
      },
      gui::make_synth_editor);
  if (!mirror) return nullptr;
  plugin::editor_object* editor = mirror->mirror().editor();
  if (!editor || !editor->open(parent)) {
    delete mirror;
    return nullptr;
  }
  if (const auto* touch = static_cast<const LV2UI_Touch*>(feature(features, LV2_UI__touch)))
    mirror->set_touch([touch](uint32_t port, bool grabbed) { touch->touch(touch->handle, port, grabbed); });
  const auto* resize = static_cast<const LV2UI_Resize*>(feature(features, LV2_UI__resize));
  if (resize)
    mirror->set_resize([resize](int32_t w, int32_t h) { return resize->ui_resize(resize->handle, w, h) == 0; });
  int32_t width = 0;
  int32_t height = 0;
  editor->size(width, height);
  if (resize) resize->ui_resize(resize->handle, width, height);
  *widget = reinterpret_cast<LV2UI_Widget>(newest_child(Window(reinterpret_cast<uintptr_t>(parent))));
  mirror->request_state();
  return new lv2_ui{mirror, editor};
}

void cleanup(LV2UI_Handle handle) {
  auto* ui = static_cast<lv2_ui*>(handle);
  ui->editor->close();
  delete ui->mirror;
  delete ui;
}

void port_event(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t protocol, const void* buffer) {
  static_cast<lv2_ui*>(handle)->mirror->port_event(port, size, protocol, buffer);
}

int idle(LV2UI_Handle handle) {
  auto* ui = static_cast<lv2_ui*>(handle);
  ui->editor->idle();
  ui->mirror->idle(seconds_now());
  return 0;
}

const LV2UI_Idle_Interface idle_interface = {idle};

const void* extension_data(const char* uri) {
  if (std::strcmp(uri, LV2_UI__idleInterface) == 0) return &idle_interface;
  return nullptr;
}

const LV2UI_Descriptor descriptor = {plugin::lv2::ui_uri, instantiate, cleanup, port_event, extension_data};

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
  return index == 0 ? &descriptor : nullptr;
}
