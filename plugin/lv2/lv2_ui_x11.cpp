// The LV2 UI module: the instance's own editor inside the host's X11 window.
//
// The editor talks to its instance through synchronous calls (the command
// channel returns values at once), so the UI reaches the plug-in through the
// instance-access feature instead of atom messages: it opens the editor the
// plug-in owns, and carries the editor's parameter changes to the host
// through the UI write function so the host records them. This module holds
// no engine code; it calls the plug-in only through plugin/lv2/dsp_link.h.
#include <cstring>

#include <X11/Xlib.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include "plugin/editor_object.h"
#include "plugin/instance.h"
#include "plugin/lv2/dsp_link.h"
#include "plugin/lv2/uris.h"

namespace {

using plugin::lv2::dsp_link;

class lv2_ui final : public plugin::lv2::ui_sink {
 public:
  dsp_link* dsp = nullptr;
  plugin::editor_object* editor = nullptr;
  LV2UI_Write_Function write = nullptr;
  LV2UI_Controller controller = nullptr;
  const LV2UI_Resize* host_resize = nullptr;
  const LV2UI_Touch* host_touch = nullptr;
  void* parent = nullptr;

  void write_parameter(int32_t index, float normalised) override {
    if (!write || index < 0 || index >= plugin::instance::param_count) return;
    write(controller, uint32_t(plugin::lv2::first_param_port + index), sizeof(float), 0, &normalised);
  }
  void touch(int32_t index, bool grabbed) override {
    if (host_touch && index >= 0 && index < plugin::instance::param_count)
      host_touch->touch(host_touch->handle, uint32_t(plugin::lv2::first_param_port + index), grabbed);
  }
  bool resize(int32_t width, int32_t height) override {
    return host_resize && host_resize->ui_resize(host_resize->handle, width, height) == 0;
  }
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

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* plugin_uri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
  if (std::strcmp(plugin_uri, plugin::lv2::plugin_uri) != 0) return nullptr;
  auto* dsp = static_cast<dsp_link*>(const_cast<void*>(feature(features, LV2_INSTANCE_ACCESS_URI)));
  void* parent = const_cast<void*>(feature(features, LV2_UI__parent));
  if (!dsp || dsp->magic != dsp_link::magic_value || !parent) return nullptr;
  plugin::editor_object* editor = dsp->editor();
  if (!editor) return nullptr;
  auto* ui = new lv2_ui();
  ui->dsp = dsp;
  ui->editor = editor;
  ui->write = write;
  ui->controller = controller;
  ui->host_resize = static_cast<const LV2UI_Resize*>(feature(features, LV2_UI__resize));
  ui->host_touch = static_cast<const LV2UI_Touch*>(feature(features, LV2_UI__touch));
  ui->parent = parent;
  dsp->attach_ui(ui);
  if (!editor->open(parent)) {
    dsp->attach_ui(nullptr);
    delete ui;
    return nullptr;
  }
  int32_t width = 0;
  int32_t height = 0;
  editor->size(width, height);
  if (ui->host_resize) ui->host_resize->ui_resize(ui->host_resize->handle, width, height);
  *widget = reinterpret_cast<LV2UI_Widget>(newest_child(Window(reinterpret_cast<uintptr_t>(parent))));
  return ui;
}

void cleanup(LV2UI_Handle handle) {
  auto* ui = static_cast<lv2_ui*>(handle);
  ui->editor->close();
  ui->dsp->attach_ui(nullptr);
  delete ui;
}

// The editor compares its controls with the engine at each timer tick, so a
// host's port change needs no message of its own.
void port_event(LV2UI_Handle, uint32_t, uint32_t, uint32_t, const void*) {}

int idle(LV2UI_Handle handle) {
  static_cast<lv2_ui*>(handle)->editor->idle();
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
