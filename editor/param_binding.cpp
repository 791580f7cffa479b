#include "editor/param_binding.h"

#include <cmath>
#include <map>

#include "guilib/font/font.h"
#include "guilib/menu/dropbox.h"
#include "guilib/style/palette.h"
#include "guilib/widgets/knob.h"
#include "guilib/widgets/skin_images.h"
#include "guilib/widgets/slider.h"
#include "guilib/widgets/stepper.h"
#include "editor/menu_strings.h"
#include "synth/param_table.h"

namespace gui {

namespace {

namespace pal = palette;
using layout::kind;

bool is_waveform(int32_t index) { return index == synth::p::osc_a_waveform || index == synth::p::osc_b_waveform; }

// The waveform values 1..5 and the LFO shapes 0..4 as the skin names their icons.
constexpr const char* waveform_icons[] = {"pulse", "ramp", "triangle", "sine", "staircase"};
constexpr const char* shape_icons[] = {"pulse", "ramp", "sine", "noise", "random"};

// "No waveform" (value 0): a short dim dash of the icons' size.
const bitmap& off_icon(float scale) {
  static std::map<int, bitmap> made;
  const int key = int(std::lround(scale * 100.f));
  auto [it, fresh] = made.try_emplace(key);
  if (fresh) {
    const bitmap& like = skin_image("image/icon/waveform/sine", scale);
    const int32_t w = std::max(like.width(), 8), h = std::max(like.height(), 4);
    create(it->second, w, h);
    for (int32_t x = w / 4; x < w - w / 4; ++x) it->second.at(x, h / 2) = pal::text_secondary;
  }
  return it->second;
}

const char* menu_of(int32_t index) {
  switch (index) {
    case synth::p::osc_xmod:
      return xmod_menu;
    case synth::p::filter_mode:
      return filter_menu;
    case synth::p::shflt_mode:
      return shaper_filter_menu;
    case synth::p::voices:
      return voices_menu;
    default:
      return nullptr;
  }
}

// The drop-downs of the legacy bender and velocity routes list "-" and every
// sound parameter by section, a parameter p as p + 1.
std::string menu_text_of(int32_t index) {
  if (const char* m = menu_of(index)) return m;
  return legacy_route_menu();
}

text& add_caption(view& parent, const std::string& s, rect r, const ui_style& st, align h) {
  text& t = parent.add<text>("label", r, s, &st, "label");
  t.set_align(h, align::centre);
  t.set_colour(pal::text_secondary);
  t.fit_line();
  return t;
}

control* make_knob(view& parent, const layout::control_place& place, const synth::param_info& row, const ui_style& st,
                   const synth_port& port, text*& caption) {
  const rect dial = layout::control_rect(place, st.scale);
  const int32_t frames = place.type == kind::knob_big ? 97 : 65;
  knob& k = parent.add<knob>(place.caption, dial, st, frames, row.min < 0.f ? 2 : 1);
  k.set_range(row.min, row.max);
  k.set_integer(row.is_integer);
  k.set_default(row.def);
  // One wheel notch: a whole step for integers, a 32nd of the range otherwise.
  k.set_sensitivity(row.is_integer ? 1.f : (row.max - row.min) / 32.f);
  k.set_range_pixels(100.f * st.scale);
  k.set_caption(place.caption);
  const int32_t index = place.index;
  k.set_display([&port, index](const knob& kk) { return port.trial_display(index, kk.value()); });
  caption = &k.label();
  return &k;
}

}  // namespace

std::vector<std::string> choice_texts(const synth_port& port, int32_t index, int32_t pcm_waves) {
  const synth::param_info& row = synth::param_row(index);
  const int32_t top = int32_t(row.max) + (is_waveform(index) ? pcm_waves : 0);
  std::vector<std::string> out;
  for (int32_t v = int32_t(row.min); v <= top; ++v) out.push_back(port.trial_display(index, float(v)));
  return out;
}

std::vector<const bitmap*> choice_icons(int32_t index, float scale, int32_t pcm_waves) {
  std::vector<const bitmap*> out;
  if (is_waveform(index)) {
    out.push_back(&off_icon(scale));
    for (const char* n : waveform_icons) out.push_back(&skin_image(std::string("image/icon/waveform/") + n, scale));
    for (int32_t i = 0; i < pcm_waves; ++i) out.push_back(&skin_image("image/icon/waveform/pcm", scale));
  } else {
    for (const char* n : shape_icons) out.push_back(&skin_image(std::string("image/icon/waveform/") + n, scale));
  }
  return out;
}

bound_control make_param_control(view& parent, const layout::control_place& place, const ui_style& st,
                                 const synth_port& port, int32_t pcm_waves) {
  const synth::param_info& row = synth::param_row(place.index);
  bound_control b;
  b.index = place.index;
  b.place = &place;
  const rect r = layout::control_rect(place, st.scale);
  const rect above = rect_of(r.x1, r.y1 - st.px(layout::caption_height), std::max(r.width(), st.px(60.f)),
                             st.px(layout::caption_height));
  switch (place.type) {
    case kind::knob_big:
    case kind::knob_main:
    case kind::knob:
    case kind::knob_mini:
      b.widget = make_knob(parent, place, row, st, port, b.caption);
      break;
    case kind::stepper: {
      stepper& s = parent.add<stepper>(place.caption, r, st, choice_texts(port, place.index, pcm_waves));
      s.set_range(row.min, s.maximum() + row.min);
      b.widget = &s;
      b.caption = &add_caption(parent, place.caption, above, st, align::start);
      break;
    }
    case kind::icons: {
      stepper& s = parent.add<stepper>(place.caption, r, st, choice_icons(place.index, st.scale, pcm_waves));
      s.set_name(is_waveform(place.index) ? "waveicon" : "Shape");
      b.widget = &s;
      b.caption = &add_caption(parent, place.caption, above, st, align::start);
      break;
    }
    case kind::toggle: {
      slider& s = parent.add<slider>(place.caption, r, st, 2);
      s.set_default(row.def);
      b.widget = &s;
      // As wide as the caption in this scale's label font: at small scales
      // the font keeps a readable size and would not fit a scaled width.
      const int32_t w = measure(*st.label, place.caption) + st.px(2.f) + 1;
      const rect right = rect_of(r.x2 + st.px(4.f), r.y1 - st.px(1.f), w, r.height() + st.px(2.f));
      b.caption = &add_caption(parent, place.caption, right, st, align::start);
      break;
    }
    case kind::dropdown: {
      dropbox& d = parent.add<dropbox>(place.caption, r, st, menu_text_of(place.index));
      d.set_range(row.min, row.max);
      d.set_integer(true);
      const int32_t index = place.index;
      d.display = [&port, index](const dropbox& dd) { return port.trial_display(index, dd.value()); };
      b.widget = &d;
      b.caption = &add_caption(parent, place.caption, above, st, align::start);
      break;
    }
  }
  b.widget->set_user_value(place.index);
  return b;
}

void show_value(bound_control& b, float internal) {
  if (!b.widget) return;
  // A waveform may name a PCM wave beyond the table's range.
  if (is_waveform(b.index) && internal > b.widget->maximum()) internal = b.widget->maximum();
  b.widget->set_value(internal);
}

std::string shown_text(const bound_control& b) {
  if (!b.widget) return {};
  switch (b.place->type) {
    case kind::stepper:
      return static_cast<const stepper*>(b.widget)->choice_text();
    case kind::dropdown:
      return static_cast<const dropbox*>(b.widget)->shown_text();
    case kind::toggle:
      return b.widget->value() > 0.5f ? "On" : "-";
    case kind::icons:
      return {};
    default:
      return static_cast<const knob*>(b.widget)->value_text();
  }
}

float normalised_of(const bound_control& b) {
  const synth::param_info& row = synth::param_row(b.index);
  return row.max > row.min ? (b.widget->value() - row.min) / (row.max - row.min) : 0.f;
}

}  // namespace gui
