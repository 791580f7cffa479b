// Decorative views that take no input: images from the archive ("image")
// with their compositing modes, section panels ("region") and soft glows
// ("glow") in a colour given by name or colour function.
#pragma once

#include <string>

#include "guilib/image/bitmap.h"
#include "guilib/view/view.h"
#include "guilib/widgets/ui_style.h"

namespace gui {

enum class image_fit { none, tile, centre, scale };
enum class image_blend { alpha, multiply };

class image : public view {
 public:
  // The bitmap is copied; an archive path loads it from the GUI archive.
  image(std::string name, rect r, bitmap b);
  image(std::string name, rect r, const std::string& archive_path);

  const bitmap& picture() const { return bitmap_; }
  void set_picture(bitmap b) { bitmap_ = std::move(b), mark_dirty(); }
  void set_fit(image_fit f) { fit_ = f, mark_dirty(); }
  void set_blend(image_blend b) { blend_ = b, mark_dirty(); }
  void set_opacity(uint32_t o) { opacity_ = o, mark_dirty(); }
  void paint(painter& p) override;

 private:
  bitmap bitmap_;
  bitmap scaled_;  // the picture at the size of the rectangle, for image_fit::scale
  image_fit fit_ = image_fit::none;
  image_blend blend_ = image_blend::alpha;
  uint32_t opacity_ = 255;
};

// A section panel: a rounded card one step lighter than the window with a
// one-pixel edge and, when titled, its header in small capitals at the top left.
class region : public view {
 public:
  region(std::string name, rect r, const ui_style& style, std::string title = {});
  void paint(painter& p) override;
  // Where the header line ends: content goes below.
  int32_t content_top() const;

 private:
  const ui_style& style_;
  std::string title_;
};

// A background blend ("gradient"): one colour (flat), or four corner colours
// blended across the rectangle, as the four-colour schemes of the colour
// presets give them (top-left, top-right, bottom-left, bottom-right).
class gradient : public view {
 public:
  gradient(std::string name, rect r, color32 flat);
  gradient(std::string name, rect r, const color32 (&corners)[4]);
  void set_flat(color32 c);
  void set_corners(const color32 (&corners)[4]);
  void paint(painter& p) override;

 private:
  color32 corners_[4];
};

class glow : public view {
 public:
  // colour: a name ("led red") or a colour function ("hls(0/12, 2/5, 7/8)").
  glow(std::string name, rect r, const std::string& colour, float strength = 1.f);
  void set_strength(float s);
  void paint(painter& p) override;

 private:
  color32 colour_;
  float strength_;
};

}  // namespace gui
