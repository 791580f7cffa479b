// The instance's view of its editor: what the dispatcher's editor opcodes
// call, and the factory the entry point hands to the instance. The editor
// itself lives in editor/; the instance knows it only through this class.
//
// Threads: every call comes from the host's user-interface thread (the one
// that opens the editor), except host_call (any thread; the editor ignores
// the others) and the chunk calls of editor_chunk_client. A host's parameter
// change is not announced to the editor: hosts automate from the audio
// thread, and the editor compares its controls with the engine at every
// timer tick instead, which also catches controllers, songs and routes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/editor_link.h"
#include "synth/kept_chunks.h"

namespace plugin {

// The editor also owns the "edtr" chunk of the instance state (its look).
class editor_object : public synth::editor_chunk_client {
 public:
  virtual ~editor_object() = default;

  // The window size at the current GUI scale, in pixels.
  virtual void size(int32_t& width, int32_t& height) const = 0;
  // Of the window sizes the editor offers (its scale choices at the host's
  // content scale), the one nearest to width x height, in place.
  virtual void nearest_size(int32_t& width, int32_t& height) const { size(width, height); }
  // The host has made the window width x height: the editor takes the
  // offered size nearest to it (applied at the next idle, which resizes the
  // window and tells the host when that differs from what the host gave).
  virtual void fit_to(int32_t width, int32_t height) {}
  // Opens the editor's window inside the host's: an X11 window id, or an
  // HWND. False when no window could be made.
  virtual bool open(void* parent) = 0;
  virtual void close() = 0;
  virtual bool is_open() const = 0;
  // effEditIdle: the editor handles its window's events and timers.
  virtual void idle() = 0;
  // While open: a descriptor that becomes readable when the window has
  // events for idle (the X11 connection), or -1.
  virtual int event_fd() const { return -1; }
  // Any other dispatcher call while open, for hosts that never idle.
  virtual void host_call() = 0;
  // One wheel step from the host (effVendorSpecific 'Whee').
  virtual void wheel(float delta) = 0;
  // A host's content scale factor (effVendorSpecific 'PreS' 'AeCs'):
  // the window grows by this factor on top of the user's scale choice.
  virtual void set_content_scale(float factor) = 0;

  // Draws the editor off-screen at a GUI scale into pixels (0xAARRGGBB rows,
  // width x height), with tab page `page` shown (0 Global, 1 Route, 2
  // Effect); with null pixels only the size is given. False when capacity
  // (in pixels) is too small.
  virtual bool draw_offscreen(float scale, int32_t page, uint32_t* pixels, size_t capacity, int32_t& width,
                              int32_t& height) = 0;
};

// Makes the editor of an instance, or null when it cannot exist.
using editor_factory = editor_object* (*)(const editor_link& link);

}  // namespace plugin
