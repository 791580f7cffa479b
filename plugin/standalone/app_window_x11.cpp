// The top-level window on X11, drawn with the toolkit: the header is a root
// container over the window's top strip; the editor opens in a plain child
// window below it (it brings its own display connection and event handling).
#include <poll.h>

#include <cstdio>

#include "guilib/platform/x11/x11.h"
#include "guilib/view/root_container.h"
#include "guilib/widgets/button.h"
#include "guilib/widgets/text.h"
#include "guilib/widgets/ui_style.h"
#include "plugin/editor_object.h"
#include "plugin/standalone/app_window.h"

namespace standalone {

namespace {

constexpr gui::color32 header_background = 0xFF202329;
constexpr gui::color32 header_text = 0xFFC8CCD4;

std::string format(const char* f, double a, double b = 0) {
  char s[96];
  std::snprintf(s, sizeof s, f, a, b);
  return s;
}

class x11_app_window : public app_window {
 public:
  ~x11_app_window() override { close(); }

  bool open(plugin::editor_object& editor, std::string& error) override {
    if (!backend_.open_display()) {
      error = "no X display ($DISPLAY is not set or not reachable); try --no-gui";
      return false;
    }
    editor_ = &editor;
    scale_ = backend_.desktop_scale();
    const gui::ui_style& st = gui::style_for_scale(scale_);
    header_ = st.px(float(header_height));
    editor.size(editor_w_, editor_h_);
    const int32_t w = editor_w_, h = editor_h_ + header_;
    if (!backend_.create(top_, {0, 0, 0, w, h, false, false, "Vorn"}) ||
        !backend_.create(holder_, {top_.native, 0, header_, editor_w_, editor_h_, false, false, "Vorn editor"})) {
      error = "the X server refused the window";
      return false;
    }
    // The editor's own window takes the pointer; keys that reach the holder play.
    holder_.callback = [this](gui::event& e) { key_event(e); };
    build_header(st, w);
    backend_.show(holder_, true);
    backend_.show(top_, true);
    backend_.set_focus(top_, true);
    if (!editor.open(reinterpret_cast<void*>(holder_.native))) {
      error = "the editor could not open its window";
      return false;
    }
    open_ = true;
    return true;
  }

  void close() override {
    if (editor_ && editor_->is_open()) editor_->close();
    editor_ = nullptr;
    if (root_) root_->detach();
    root_.reset();
    if (holder_.native) backend_.destroy(holder_);
    if (top_.native) backend_.destroy(top_);
    open_ = false;
  }

  void pump(int32_t wait_ms) override {
    if (!open_) return;
    pollfd p{backend_.connection_fd(), POLLIN, 0};
    poll(&p, 1, wait_ms);
    backend_.pump();
    if (editor_) editor_->idle();
  }

  void show_status(const header_status& s) override {
    if (!root_) return;
    device_->set_text(s.device);
    rate_->set_text(format("%.0f Hz, %.0f frames", s.sample_rate, double(s.block_frames)));
    midi_->set_text("MIDI: " + s.midi);
    load_->set_text(format("CPU %.1f %%  xruns %.0f", s.cpu_percent, double(s.xruns)));
  }

  bool resize_editor(int32_t width, int32_t height) override {
    if (!open_) return false;
    editor_w_ = width, editor_h_ = height;
    backend_.resize(holder_, width, height);
    backend_.resize(top_, width, height + header_);
    return true;
  }

 private:
  void build_header(const gui::ui_style& st, int32_t width) {
    root_ = std::make_unique<gui::root_container>(gui::rect{0, 0, width, header_});
    root_->set_background(header_background);
    root_->attach(top_);
    const int32_t pad = st.px(6), y = st.px(4), h = header_ - 2 * st.px(4);
    const int32_t panic_w = st.px(54);
    const int32_t space = width - 2 * pad - panic_w;
    device_ = &label("audio device", {pad, y, pad + space * 24 / 100, y + h}, st);
    rate_ = &label("sample rate", {pad + space * 24 / 100, y, pad + space * 44 / 100, y + h}, st);
    midi_ = &label("MIDI input", {pad + space * 44 / 100, y, pad + space * 78 / 100, y + h}, st);
    load_ = &label("CPU load", {pad + space * 78 / 100, y, pad + space, y + h}, st);
    gui::button& panic =
        root_->add<gui::button>("Panic", gui::rect{width - pad - panic_w, y, width - pad, y + h}, st, "Panic");
    panic_listener_ = std::make_unique<gui::function_listener>([this](gui::control&) {
      if (on_panic) on_panic();
    });
    panic.set_listener(panic_listener_.get());
    // Keys and focus reach the owner before the header's controls see them.
    auto to_root = top_.callback;
    top_.callback = [this, to_root](gui::event& e) {
      key_event(e);
      to_root(e);
    };
    root_->on_close = [this] {
      if (on_close) on_close();
    };
  }

  gui::text& label(const char* name, gui::rect r, const gui::ui_style& st) {
    gui::text& t = root_->add<gui::text>(name, r, std::string(), &st, "label");
    t.set_colour(header_text);
    t.set_align(gui::align::start);
    return t;
  }

  void key_event(const gui::event& e) {
    if (e.type == gui::event_type::key_down || e.type == gui::event_type::key_up) {
      if (on_key) on_key(e.key, e.type == gui::event_type::key_down);
    } else if (e.type == gui::event_type::kill_focus) {
      if (on_focus_lost) on_focus_lost();
    }
  }

  wnd::x11 backend_;
  wnd::window top_, holder_;
  std::unique_ptr<gui::root_container> root_;
  std::unique_ptr<gui::function_listener> panic_listener_;
  gui::text *device_ = nullptr, *rate_ = nullptr, *midi_ = nullptr, *load_ = nullptr;
  plugin::editor_object* editor_ = nullptr;
  float scale_ = 1.f;
  int32_t header_ = header_height;
  int32_t editor_w_ = 0, editor_h_ = 0;
  bool open_ = false;
};

}  // namespace

std::unique_ptr<app_window> make_app_window() { return std::make_unique<x11_app_window>(); }

}  // namespace standalone
