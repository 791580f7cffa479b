// Lights: a strip of round LEDs ("ledstrip") that glow in their own colour,
// each with a level 0..1 (values outside are clipped), off being a dim
// version of the same hue; a single light ("indicator"); and the level meter,
// a strip whose light i shows v - i for a meter value v (so v = 5.5 lights
// five lamps fully and the sixth by half).
#pragma once

#include <string>
#include <vector>

#include "guilib/image/bitmap.h"
#include "guilib/view/control.h"
#include "guilib/widgets/ui_style.h"

namespace gui {

class ledstrip : public control {
 public:
  // count lights in a row (or a column when vertical), each of colour.
  ledstrip(std::string name, rect r, const ui_style& style, int32_t count, color32 colour, bool vertical = false,
           const char* class_name = "ledstrip");

  bool takes_mouse() const override { return false; }

  int32_t count() const { return int32_t(levels_.size()); }
  void set_level(int32_t i, float level);
  float level(int32_t i) const;
  void set_colour(int32_t i, color32 c);
  color32 colour(int32_t i) const;
  // Light i gets v - i: a bar of lit lamps with a partly lit tip.
  void set_meter(float v);
  // The centre of light i.
  point centre(int32_t i) const;
  // The class's appearance update: every light to level arg / 255.
  void update_look(int32_t arg) override;

  void paint(painter& p) override;

 private:
  const ui_style& style_;
  bool vertical_;
  std::vector<float> levels_;
  std::vector<color32> colours_;
};

class indicator : public ledstrip {
 public:
  indicator(std::string name, rect r, const ui_style& style, color32 colour)
      : ledstrip(std::move(name), r, style, 1, colour, false, "indicator") {}
  void set_on(bool on) { set_level(0, on ? 1.f : 0.f); }
};

// Green up to 70 % of the lights, yellow to 88 %, red above: the level meter's colours.
std::vector<color32> meter_colours(int32_t count);

}  // namespace gui
