// The application's own top-level window: a header strip (audio device,
// sample rate, MIDI input, CPU load, a panic button) above the editor, which
// opens in a window of its own inside. Its key events drive the typing
// keyboard. One implementation per window system (app_window_x11.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace plugin {
class editor_object;
}

namespace standalone {

// What the header shows; the application fills it a few times a second.
struct header_status {
  std::string device;       // "JACK (default)"
  double sample_rate = 0;   // Hz
  int32_t block_frames = 0;
  std::string midi;         // the input port, and whether the typing keyboard plays
  double cpu_percent = 0;   // over the last update interval
  uint32_t xruns = 0;
};

class app_window {
 public:
  static constexpr int32_t header_height = 26;  // pixels at scale 1

  virtual ~app_window() = default;

  // Opens the window with the editor inside. False with `error` set (no
  // display, editor refused).
  virtual bool open(plugin::editor_object& editor, std::string& error) = 0;
  virtual void close() = 0;
  // Handles the window's events and the editor's idle, waiting at most
  // `wait_ms` for something to happen.
  virtual void pump(int32_t wait_ms) = 0;
  virtual void show_status(const header_status& s) = 0;
  // The editor asked for a new size: the window follows.
  virtual bool resize_editor(int32_t width, int32_t height) = 0;

  // The owner's part. Keys are the toolkit's key codes (guilib/platform/keys.h).
  std::function<void(int32_t key, bool down)> on_key;
  std::function<void()> on_focus_lost;
  std::function<void()> on_panic;
  std::function<void()> on_close;
};

// The window on this platform's window system.
std::unique_ptr<app_window> make_app_window();

}  // namespace standalone
