#include "editor/synth_editor.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "editor/layout.h"
#include "editor/menu_strings.h"
#include "files/editor_chunk.h"
#include "guilib/archive/gui_archive.h"
#include "guilib/image/image_file.h"
#include "guilib/paint/canvas.h"
#include "guilib/style/color_presets.h"
#include "guilib/style/palette.h"
#include "guilib/style/scheme_palette.h"
#include "guilib/widgets/dialogs.h"
#include "guilib/widgets/knob.h"
#include "synth/param_table.h"

namespace gui {

namespace {

namespace cmd = plugin::command;

// The scale menu's items by value: 1/2, 3/4, original, 1.25X, 1.5X, 2X.
constexpr float scale_choices[] = {0.5f, 0.75f, 1.f, 1.25f, 1.5f, 2.f};
constexpr int32_t first_scale_choice = -2;
constexpr float min_scale = 0.25f, max_scale = 4.f;
// The smallest size a user's choice (the menu, a stored look) gives: the
// smallest the scale menu offers.
constexpr float min_user_scale = 0.75f;

float finite_or(float v, float fallback) { return std::isfinite(v) ? v : fallback; }

}  // namespace

float scale_of_choice(int32_t value) {
  const int32_t i = std::clamp(value - first_scale_choice, 0, int32_t(std::size(scale_choices)) - 1);
  return scale_choices[i];
}

int32_t choice_of_scale(float scale) {
  int32_t best = 0;
  for (int32_t i = 1; i < int32_t(std::size(scale_choices)); ++i)
    if (std::fabs(scale_choices[i] - scale) < std::fabs(scale_choices[best] - scale)) best = i;
  return best + first_scale_choice;
}

synth_editor::synth_editor(const plugin::editor_link& link, backend_factory make_backend)
    : port_(link), make_backend_(std::move(make_backend)) {
  add_menu_fillers(fillers_, port_);
  fillers_.on_unhandled = [this](const std::string& message, const std::string& path) { say(message, path); };
}

synth_editor::~synth_editor() {
  in_idle_ = false;
  close();
}

float synth_editor::effective_scale() const {
  return std::clamp(scale_.load() * content_scale_.load(), min_scale, max_scale);
}

void synth_editor::size(int32_t& width, int32_t& height) const {
  const float s = effective_scale();
  width = layout::width_at(s);
  height = layout::height_at(s);
}

// The scale menu's choice (from 3/4 up) whose window at the content scale is
// nearest to width x height, by the sum of the two differences.
float synth_editor::user_scale_nearest(int32_t width, int32_t height) const {
  float best = scale_;
  int64_t best_distance = INT64_MAX;
  for (float choice : scale_choices) {
    if (choice < min_user_scale) continue;
    const float s = std::clamp(choice * content_scale_.load(), min_scale, max_scale);
    const int64_t d = std::llabs(int64_t(layout::width_at(s)) - width) + std::llabs(int64_t(layout::height_at(s)) - height);
    if (d < best_distance) best = choice, best_distance = d;
  }
  return best;
}

void synth_editor::nearest_size(int32_t& width, int32_t& height) const {
  const float s = std::clamp(user_scale_nearest(width, height) * content_scale_.load(), min_scale, max_scale);
  width = layout::width_at(s);
  height = layout::height_at(s);
}

void synth_editor::fit_to(int32_t width, int32_t height) {
  const float choice = user_scale_nearest(width, height);
  if (choice != scale_.load()) set_scale(choice);
}

// --- opening and closing ---------------------------------------------------------------------

bool synth_editor::open(void* parent) {
  if (window_) return true;
  mount_builtin();
  backend_ = make_backend_ ? make_backend_() : nullptr;
  if (!backend_) return false;
  int32_t w = 0, h = 0;
  size(w, h);
  auto win = std::make_unique<wnd::window>();
  wnd::create_params p;
  p.parent = reinterpret_cast<uintptr_t>(parent);
  p.width = w;
  p.height = h;
  p.title = "Vorn GUI";
  if (!backend_->create(*win, p)) {
    backend_.reset();
    return false;
  }
  window_ = std::move(win);
  parent_ = parent;
  pump_ = std::make_unique<wnd::idle_pump>(*backend_);
  pump_->opened();
  editor_thread_ = std::this_thread::get_id();
  root_ = std::make_unique<root_container>(rect{0, 0, w, h});
  root_->attach(*window_);
  root_->on_timer = [this] { tick(); };
  root_->on_shortcut = [this](event& e) { return shortcut(e); };
  root_->before_paint = [this] { use_surface(surface_); };
  build();
  backend_->set_timer(*window_, timer_ms);
  backend_->show(*window_, true);
  return true;
}

void synth_editor::close() {
  // A close from within our own idle call (a host reacting to something we
  // asked of it) waits until the idle call has returned.
  if (in_idle_) {
    close_pending_ = true;
    return;
  }
  if (!window_) return;
  end_gesture();
  editor_thread_ = std::thread::id();
  backend_->set_timer(*window_, 0);
  root_.reset();
  view_.reset();
  actions_.reset();
  backend_->destroy(*window_);
  window_.reset();
  pump_.reset();
  backend_.reset();
  learning_ = false;
  learn_target_ = -1;
}

void synth_editor::idle() {
  if (!pump_) return;
  in_idle_ = true;
  pump_->host_idle();
  in_idle_ = false;
  if (close_pending_) {
    close_pending_ = false;
    close();
  }
}

void synth_editor::host_call() {
  // Hosts make calls from other threads too (the audio thread sends events):
  // those leave the window alone, before anything of it is touched.
  if (std::this_thread::get_id() != editor_thread_.load()) return;
  if (pump_ && !in_idle_) {
    in_idle_ = true;
    pump_->host_call();
    in_idle_ = false;
  }
}

void synth_editor::wheel(float delta) {
  if (!root_) return;
  control* c = root_->hovered();
  if (!c || !c->accepts_wheel_and_keys()) return;
  event e;
  e.type = event_type::mouse_wheel;
  e.wheel = delta;
  e.input = window_->input;
  host_wheel_ = true;
  c->wheel(e, c->bounds().centre(), delta);
  host_wheel_ = false;
}

void synth_editor::set_content_scale(float factor) {
  content_scale_ = std::clamp(finite_or(factor, 1.f), min_scale, max_scale);
  look_pending_ = true;
}

// --- the view -------------------------------------------------------------------------------------

int32_t synth_editor::pcm_count() const { return std::max(port_.send(cmd::pcm_count), 0); }

void synth_editor::build() {
  const float s = effective_scale();
  const ui_style& st = style_for_scale(s);
  end_gesture();
  menu_target_ = {};
  root_->clear_children();
  view_ = std::make_unique<editor_view>();
  built_scale_ = s;
  // The colour scheme reaches the widgets' own colours: they are made in it.
  built_background_ = background_;
  surface_ = surface_for(built_background_);
  use_surface(surface_);
  built_pcm_count_ = pcm_count();
  build_editor_view(*root_, st, port_, built_pcm_count_, *view_);
  actions_ = std::make_unique<action_env>(action_env{port_, *root_, st,
                                                     [this](const std::string& a, const std::string& b) { say(a, b); },
                                                     [this] { presets_changed(); },
                                                     [this] { learning_ = true; },
                                                     [this](uint32_t parts, const std::string& label) {
                                                       begin_gesture(nullptr, {parts, -1}, label, false);
                                                     },
                                                     [this] { end_gesture(); },
                                                     [this] {
                                                       end_gesture();
                                                       history_.clear();
                                                       refresh_history_arrows();
                                                     }});
  wire();
  apply_background(*view_);
  refresh_all(*view_, port_);
  char product[plugin::command_text_capacity] = {};
  plugin::command_args a;
  a.text_out = product;
  port_.send(cmd::product, a);
  say(std::string("Vorn ") + product, port_.preset_name());
}

void synth_editor::say(const std::string& line0, const std::string& line1) {
  if (!view_) return;
  show_message(*view_, scroll_, line0, line1);
}

surface_palette synth_editor::surface_for(int32_t choice) {
  if (choice < 0 || choice >= int32_t(color_preset_count)) return default_surface();
  return surface_of(scheme_of(build_color_presets()[size_t(choice)]));
}

void synth_editor::apply_background(editor_view& v) const {
  const int32_t choice = background_;
  color32 corners[4] = {palette::background, palette::background, palette::background, palette::background};
  if (choice >= 0 && choice < int32_t(color_preset_count)) {
    // The scheme's colours behind the panels (the panels, edges and texts
    // take its tint through the palette, surface_for).
    const color_scheme sc = scheme_of(build_color_presets()[size_t(choice)]);
    for (int k = 0; k < 4; ++k) {
      const color32 c = sc.blend ? sc.corners[size_t(k)] : pack(sc.single);
      corners[k] = mix(palette::background, c, 0.35f);
    }
  }
  if (gradient_) {
    corners[0] = mix(corners[0], 0xFFFFFFFFu, 0.06f);
    corners[1] = mix(corners[1], 0xFFFFFFFFu, 0.06f);
  }
  v.backdrop->set_corners(corners);
}

// --- timer --------------------------------------------------------------------------------------------

void synth_editor::apply_scale() {
  int32_t w = 0, h = 0;
  size(w, h);
  if (window_->width != w || window_->height != h) {
    backend_->resize(*window_, w, h);
    if (port_.host()) port_.host()->size_window(w, h);
  }
  root_->set_bounds({0, 0, w, h});
  build();
}

void synth_editor::tick() {
  if (!view_) return;
  if (look_pending_.exchange(false) || effective_scale() != built_scale_) {
    if (effective_scale() != built_scale_) return apply_scale();
    if (background_ != built_background_) return build();
    apply_background(*view_);
  }
  if (port_.send(cmd::poll_changes) != 0) {
    if (pcm_count() != built_pcm_count_) return build();
    refresh_presets(*view_, port_);
  }
  refresh_params(*view_, port_);
  refresh_routes(*view_, port_);
  refresh_effects(*view_, port_);
  refresh_switches(*view_, port_);
  refresh_effect_view();
  tick_lights(*view_, port_, lights_);
  tick_display(*view_, scroll_);
  check_learned();
  tick_gesture();
}

void synth_editor::presets_changed() {
  if (synth::host_interface* h = port_.host()) {
    h->reload_program();
    h->update_display();
  }
  if (!view_) return;
  if (pcm_count() != built_pcm_count_) {
    // The waveform choices list the PCM waves: the view is made again at the next tick.
    built_scale_ = 0.f;
    return;
  }
  refresh_all(*view_, port_);
}

// --- the look: colour, size and background pictures ----------------------------------------------

void synth_editor::set_scale(float scale) {
  scale_ = std::clamp(finite_or(scale, 1.f), min_user_scale, max_scale);
  look_pending_ = true;
}

void synth_editor::set_background(int32_t choice) {
  background_ = choice >= 0 && choice < int32_t(color_preset_count) ? choice : -1;
  look_pending_ = true;
}

void synth_editor::look_chosen(const menu_choice& c) {
  const std::string& p = c.path;
  auto under = [&](const char* prefix) { return p.rfind(prefix, 0) == 0; };
  if (under("colour.")) {
    set_background(c.value);
    return say("Background colour", c.text);
  }
  if (under("size.")) {
    set_scale(scale_of_choice(c.value - size_value_base));
    return say("Window size", c.text);
  }
  editor_view& v = *view_;
  if (p == "background.gradient.flat" || p == "background.gradient.default") {
    gradient_ = p == "background.gradient.default";
    look_pending_ = true;
    return;
  }
  const bool overlay = under("background.overlay.");
  image* target = overlay ? v.overlay : v.background_image;
  const std::string item = p.substr(p.find_last_of('.') + 1);
  if (item == "load") {
    ask_file(*root_, *v.style, {false, "Load Bitmap", "Bitmap\t*.bmp;*.tga;*.jpg;\t", "", {}},
             [this, overlay](bool chosen, const std::string& path) {
               if (!chosen || !view_) return;
               bitmap b;
               const int code = load_image_file(b, path);
               if (code != 0) return say("Load bitmap failed", path);
               (overlay ? view_->overlay : view_->background_image)->set_picture(std::move(b));
               say(overlay ? "Loaded overlay" : "Loaded background", path);
             });
  } else if (item == "blank" || item == "default") {
    target->set_picture(bitmap{});
  } else if (item == "tile") {
    target->set_fit(image_fit::tile);
  } else if (item == "center") {
    target->set_fit(image_fit::centre);
  } else if (item == "scale") {
    target->set_fit(image_fit::scale);
  } else if (item == "multiply") {
    target->set_blend(image_blend::multiply);
  } else if (item == "alpha-blend") {
    target->set_blend(image_blend::alpha);
  }
}

uint32_t synth_editor::write_editor_chunk(uint8_t* dest) {
  files::editor_look look;
  look.background = background_;
  look.scale = scale_;
  return files::write_editor_chunk(dest, look);
}

void synth_editor::read_editor_chunk(const uint8_t* data, size_t available) {
  const files::editor_look look = files::read_editor_chunk(riff::chunk_at(data, available));
  background_ = look.background;
  if (look.has_scale && look.scale != scale_) scale_ = std::clamp(look.scale, min_user_scale, max_scale);
  look_pending_ = true;
}

// --- the screenshot ----------------------------------------------------------------------------------

bool synth_editor::draw_offscreen(float scale, int32_t page, uint32_t* pixels, size_t capacity, int32_t& width,
                                  int32_t& height) {
  scale = std::clamp(finite_or(scale, 1.f), min_scale, max_scale);
  width = layout::width_at(scale);
  height = layout::height_at(scale);
  if (!pixels) return true;
  if (capacity < size_t(width) * size_t(height)) return false;
  mount_builtin();
  root_container r({0, 0, width, height});
  use_surface(surface_for(background_));
  editor_view v;
  build_editor_view(r, style_for_scale(scale), port_, pcm_count(), v);
  apply_background(v);
  refresh_all(v, port_);
  light_state lights;
  tick_lights(v, port_, lights);
  v.line0->set_text("Vorn");
  v.line1->set_text(port_.preset_name());
  v.pages->show(std::clamp(page, 0, v.pages->count() - 1));
  bitmap surface;
  create(surface, width, height);
  r.paint(surface);
  std::memcpy(pixels, surface.pixels.data(), surface.pixels.size() * sizeof(uint32_t));
  return true;
}

plugin::editor_object* make_synth_editor(const plugin::editor_link& link) { return new synth_editor(link); }

}  // namespace gui
