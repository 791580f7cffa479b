// What the LV2 UI reaches in the plug-in through the instance-access
// feature: the editor, and a place to hang itself so that the editor's
// parameter changes go back to the host through the UI's write function.
// Both objects live in one process (instance access requires it); the UI
// calls only through these virtual functions, so its module carries none of
// the engine.
#pragma once

#include <cstdint>

namespace plugin {
class editor_object;
}

namespace plugin::lv2 {

// The UI side, as the plug-in sees it. UI thread only.
class ui_sink {
 public:
  virtual ~ui_sink() = default;
  virtual void write_parameter(int32_t index, float normalised) = 0;
  virtual void touch(int32_t index, bool grabbed) = 0;
  virtual bool resize(int32_t width, int32_t height) = 0;
};

// The plug-in side: the LV2_Handle is a pointer to this.
class dsp_link {
 public:
  static constexpr uint32_t magic_value = 0x766f726e;  // "vorn"
  uint32_t magic = magic_value;  // checked by the UI before anything else

  virtual editor_object* editor() = 0;
  // The UI attaches itself when it opens and passes null when it goes.
  virtual void attach_ui(ui_sink* sink) = 0;

 protected:
  ~dsp_link() = default;
};

}  // namespace plugin::lv2
