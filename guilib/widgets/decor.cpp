#include "guilib/widgets/decor.h"

#include <algorithm>
#include <cctype>

#include "guilib/archive/bitmap_cache.h"
#include "guilib/paint/canvas.h"
#include "guilib/style/color.h"
#include "guilib/style/palette.h"
#include "guilib/view/painter.h"

namespace gui {

namespace {

// d = d * s, per channel, weighted by s's alpha and the opacity.
void multiply(color32& d, color32 s, uint32_t opacity) {
  const uint32_t a = alpha_of(s) * opacity / 255u;
  auto ch = [a](uint32_t dc, uint32_t sc) { return (dc * (255u - a) + dc * sc / 255u * a) / 255u; };
  d = argb(alpha_of(d), ch(red_of(d), red_of(s)), ch(green_of(d), green_of(s)), ch(blue_of(d), blue_of(s)));
}

}  // namespace

image::image(std::string name, rect r, bitmap b) : view("image", std::move(name), r), bitmap_(std::move(b)) {}

image::image(std::string name, rect r, const std::string& archive_path) : view("image", std::move(name), r) {
  load_skin_bitmap(archive_path, bitmap_, false);
}

void image::paint(painter& p) {
  if (bitmap_.empty()) return;
  const rect& r = bounds();
  const bitmap* src = &bitmap_;
  if (fit_ == image_fit::scale && (bitmap_.width() != r.width() || bitmap_.height() != r.height())) {
    if (scaled_.width() != r.width() || scaled_.height() != r.height()) {
      // Nearest neighbour: backgrounds scale to the window, where smoothing
      // would blur the skin's one-pixel lines.
      create(scaled_, r.width(), r.height());
      for (int32_t y = 0; y < r.height(); ++y)
        for (int32_t x = 0; x < r.width(); ++x)
          scaled_.at(x, y) = bitmap_.at(x * bitmap_.width() / r.width(), y * bitmap_.height() / r.height());
    }
    src = &scaled_;
  }
  const int32_t w = src->width(), h = src->height();
  auto one = [&](int32_t x, int32_t y) {
    if (blend_ == image_blend::alpha) return p.blit(*src, 0, 0, w, h, x, y, opacity_);
    const rect v = intersection(intersection(rect_of(x, y, w, h), p.clip()), r);
    for (int32_t yy = v.y1; yy < v.y2; ++yy)
      for (int32_t xx = v.x1; xx < v.x2; ++xx) multiply(p.surface().at(xx, yy), src->at(xx - x, yy - y), opacity_);
  };
  if (fit_ == image_fit::tile) {
    for (int32_t y = r.y1; y < r.y2; y += h)
      for (int32_t x = r.x1; x < r.x2; x += w) one(x, y);
  } else if (fit_ == image_fit::centre) {
    one(r.x1 + (r.width() - w) / 2, r.y1 + (r.height() - h) / 2);
  } else {
    one(r.x1, r.y1);
  }
}

region::region(std::string name, rect r, const ui_style& style, std::string title)
    : view("region", std::move(name), r), style_(style), title_(std::move(title)) {
  std::transform(title_.begin(), title_.end(), title_.begin(), [](unsigned char c) { return char(std::toupper(c)); });
}

int32_t region::content_top() const {
  return bounds().y1 + (title_.empty() ? style_.px(6.f) : style_.px(8.f) + style_.header->line_height());
}

void region::paint(painter& p) {
  const rect& r = bounds();
  const float radius = style_.line(4.f);
  p.fill_round(r, radius, palette::panel_edge);
  p.fill_round(r.inset(1), std::max(radius - 1.f, 0.f), palette::panel);
  if (!title_.empty()) p.text(*style_.header, r.x1 + style_.px(8.f), r.y1 + style_.px(5.f), title_, palette::text_secondary);
}

gradient::gradient(std::string name, rect r, color32 flat) : view("gradient", std::move(name), r) { set_flat(flat); }

gradient::gradient(std::string name, rect r, const color32 (&corners)[4]) : view("gradient", std::move(name), r) {
  set_corners(corners);
}

void gradient::set_flat(color32 c) {
  const color32 all[4] = {c, c, c, c};
  set_corners(all);
}

void gradient::set_corners(const color32 (&corners)[4]) {
  std::copy(std::begin(corners), std::end(corners), corners_);
  mark_dirty();
}

void gradient::paint(painter& p) {
  const rect& r = bounds();
  const rect v = intersection(r, p.clip());
  const float w = float(std::max(r.width() - 1, 1)), h = float(std::max(r.height() - 1, 1));
  for (int32_t y = v.y1; y < v.y2; ++y) {
    const float ty = float(y - r.y1) / h;
    const color32 left = mix(corners_[0], corners_[2], ty), right = mix(corners_[1], corners_[3], ty);
    if (left == right) {
      p.fill({v.x1, y, v.x2, y + 1}, left);
      continue;
    }
    for (int32_t x = v.x1; x < v.x2; ++x) blend_over(p.surface().at(x, y), mix(left, right, float(x - r.x1) / w));
  }
}

glow::glow(std::string name, rect r, const std::string& colour, float strength)
    : view("glow", std::move(name), r), strength_(std::clamp(strength, 0.f, 1.f)) {
  const bool function = colour.find('(') != std::string::npos;
  colour_ = pack(function ? parse_color(colour) : named_color(colour));
}

void glow::set_strength(float s) {
  s = std::clamp(s, 0.f, 1.f);
  if (s == strength_) return;
  strength_ = s;
  mark_dirty();
}

void glow::paint(painter& p) {
  const rect& r = bounds();
  const float blur = float(std::min(r.width(), r.height())) * 0.35f;
  const color32 c = (colour_ & 0x00FFFFFFu) | (uint32_t(strength_ * 150.f) << 24);
  const int32_t in = int32_t(blur);
  p.soft_round(r.inset(in), blur * 0.5f, blur, c);
}

}  // namespace gui
