// Animation strips for knobs and switches: one bitmap with its frames stacked
// vertically, looked up in the skin archive by parameters, or rendered by the
// toolkit when the skin does not carry the size and kept in the bitmap cache.
//
// Names: knob strips "[knob_strip/]style,COLOUR,frames,variant,WxH" (e.g.
// knob_strip/seven_spline,0,131,1,66x66), slider strips
// "[slider_strip/]style,COLOUR,positions,WxH" (slider_strip/slide_switch,0,3,24x12);
// COLOUR is the low 24 bits in upper-case hexadecimal, the size part only
// when both sides are at least 1.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "guilib/archive/archive.h"
#include "guilib/image/bitmap.h"

namespace gui {

struct strip {
  std::string style;     // "seven_spline", "slide_switch"
  uint32_t colour = 0;   // 0xRRGGBB; 0 is the palette's accent
  int32_t frames = 0;    // knob frames, or switch positions
  int32_t variant = 0;   // knobs: 1 unipolar, 2 bipolar
  int32_t frame_width = 0, frame_height = 0;
  bitmap image;          // frame_width x frames * frame_height when valid
  std::string name;      // path without extension
  bool valid = false;

  bool same_parameters(const strip& o, bool knob) const {
    return frame_width == o.frame_width && frame_height == o.frame_height && colour == o.colour &&
           frames == o.frames && (!knob || variant == o.variant) && style == o.style;
  }
};

enum class strip_kind { knob, slider };

// The path of a strip's parameters, with the directory when it is given.
std::string strip_name(strip_kind kind, const strip& s, const std::string& directory);
// Parameters from a built-in name (without directory or extension); false
// when a field is missing or not a number.
bool parse_strip_name(strip_kind kind, const std::string& name, strip& out);

class strip_library {
 public:
  // directory: "knob_strip" or "slider_strip"; root: the archive to search
  // (the GUI archive when none).
  strip_library(strip_kind kind, bool load_cache, bool save_cache, const archive_entry* root = nullptr);

  // The strip of these parameters: known already, or from the archive, or
  // from the cache, or rendered when allowed (and then saved to the cache).
  // Never null; an invalid strip (no image) when nothing served.
  const strip& get(const strip& wanted, bool allow_render = true);

  strip_kind kind() const { return kind_; }
  const std::string& directory() const { return directory_; }
  size_t size() const { return strips_.size(); }
  // Counters for tests: bitmaps decoded from the archive, loaded from the
  // cache, rendered.
  int archive_reads = 0, cache_reads = 0, renders = 0;

 private:
  struct known {
    std::unique_ptr<strip> s;
    const archive_entry* entry = nullptr;  // not decoded yet
  };
  void enumerate(const archive_entry& dir, const std::string& prefix);
  bool load_entry(known& k);
  bool fits(const strip& s) const;
  bool render(strip& s);

  strip_kind kind_;
  std::string directory_;
  bool load_cache_, save_cache_;
  const archive_entry* root_;
  bool enumerated_ = false;
  std::vector<known> strips_;
};

// The process's two libraries over the GUI archive, with the bitmap cache. UI thread only.
strip_library& knob_strips();
strip_library& slider_strips();

}  // namespace gui
