#include "guilib/widgets/strip_library.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "guilib/archive/bitmap_cache.h"
#include "guilib/archive/gui_archive.h"
#include "guilib/image/tga.h"
#include "guilib/paint/knob_strip.h"
#include "guilib/paint/switch_strip.h"

namespace gui {

namespace {

// The size bound of rendered strips: beyond it a request is not honoured
// (a strip of 1000 frames of 1000 x 1000 pixels would take 4 GB).
constexpr int64_t max_strip_pixels = int64_t(1) << 24;

std::vector<std::string> split_fields(const std::string& s, const char* separators) {
  std::vector<std::string> out(1);
  for (char c : s) {
    if (std::strchr(separators, c)) {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

bool to_int(const std::string& s, int32_t& out, int base = 10) {
  if (s.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(s.c_str(), &end, base);
  if (*end != 0 || v < 0 || v > 0xFFFFFF) return false;
  out = int32_t(v);
  return true;
}

}  // namespace

std::string strip_name(strip_kind kind, const strip& s, const std::string& directory) {
  char buf[160];
  if (kind == strip_kind::knob) {
    std::snprintf(buf, sizeof buf, "%s,%X,%i,%i", s.style.c_str(), unsigned(s.colour & 0xFFFFFF), s.frames, s.variant);
  } else {
    std::snprintf(buf, sizeof buf, "%s,%X,%i", s.style.c_str(), unsigned(s.colour & 0xFFFFFF), s.frames);
  }
  std::string name = directory;
  if (!name.empty()) name += '/';
  name += buf;
  if (s.frame_width >= 1 && s.frame_height >= 1) {
    std::snprintf(buf, sizeof buf, ",%ix%i", s.frame_width, s.frame_height);
    name += buf;
  }
  return name;
}

bool parse_strip_name(strip_kind kind, const std::string& name, strip& out) {
  // Fields split at "," and "."; the size field splits at "x".
  const std::vector<std::string> f = split_fields(name, ",.");
  const size_t size_field = kind == strip_kind::knob ? 4 : 3;
  if (f.size() <= size_field) return false;
  out.style = f[0];
  int32_t colour = 0;
  if (!to_int(f[1], colour)) return false;
  out.colour = uint32_t(colour);
  if (!to_int(f[2], out.frames)) return false;
  if (kind == strip_kind::knob && !to_int(f[3], out.variant)) return false;
  const std::vector<std::string> wh = split_fields(f[size_field], "x");
  return wh.size() == 2 && to_int(wh[0], out.frame_width) && to_int(wh[1], out.frame_height);
}

strip_library::strip_library(strip_kind kind, bool load_cache, bool save_cache, const archive_entry* root)
    : kind_(kind), directory_(kind == strip_kind::knob ? "knob_strip" : "slider_strip"), load_cache_(load_cache),
      save_cache_(save_cache), root_(root) {}

void strip_library::enumerate(const archive_entry& dir, const std::string& prefix) {
  for (const auto& e : dir.children) {
    if (e->directory) {
      enumerate(*e, prefix + e->name + "/");
      continue;
    }
    const std::string file = e->name;
    const size_t dot = file.rfind(".tga");
    const std::string stem = dot == std::string::npos ? file : file.substr(0, dot);
    known k{std::make_unique<strip>(), e.get()};
    if (!parse_strip_name(kind_, stem, *k.s)) continue;
    k.s->name = directory_ + "/" + prefix + stem;
    strips_.push_back(std::move(k));
  }
}

bool strip_library::fits(const strip& s) const {
  // Without a frame width there is nothing to check the bitmap against.
  if (s.frame_width == 0) return !s.image.empty();
  return !s.image.empty() && s.image.width() == s.frame_width && s.image.height() == s.frames * s.frame_height;
}

// Built-in strips are decoded when first asked for rather than all at once:
// the skin carries some 8 MB of strip pixels of which a window uses a few sizes.
bool strip_library::load_entry(known& k) {
  const archive_entry* e = k.entry;
  k.entry = nullptr;
  ++archive_reads;
  k.s->valid = decode_tga(k.s->image, e->data, e->size) == 0 && fits(*k.s);
  if (k.s->valid) k.s->image.name = k.s->name;
  return k.s->valid;
}

bool strip_library::render(strip& s) {
  if (s.frame_width < 1 || s.frame_height < 1 || s.frames < 1) return false;
  if (int64_t(s.frame_width) * s.frame_height * s.frames > max_strip_pixels) return false;
  if (kind_ == strip_kind::knob) {
    if (s.style != "seven_spline") return false;
    render_knob_strip(s.image, {s.frame_width, s.frame_height, s.frames, s.variant, s.colour});
  } else {
    if (s.style != "slide_switch") return false;
    render_switch_strip(s.image, {s.frame_width, s.frame_height, s.frames, s.colour});
  }
  ++renders;
  return true;
}

const strip& strip_library::get(const strip& wanted, bool allow_render) {
  const archive_entry& root = root_ ? *root_ : gui_archive().root();
  if (!enumerated_) {
    enumerated_ = true;
    if (const archive_entry* dir = find_child(root, directory_)) enumerate(*dir, "");
  }
  const bool knob = kind_ == strip_kind::knob;
  for (known& k : strips_) {
    if (!k.s->same_parameters(wanted, knob)) continue;
    if (k.entry) load_entry(k);
    if (k.s->valid || !allow_render) return *k.s;
  }
  known k{std::make_unique<strip>(wanted), nullptr};
  strip& s = *k.s;
  s.image = {};
  s.name = strip_name(kind_, s, directory_);
  if (load_skin_bitmap(root, s.name, s.image, load_cache_)) {
    ++(find_path(root, s.name, ".tga") ? archive_reads : cache_reads);
  }
  s.valid = fits(s);
  if (!s.valid && allow_render && render(s)) {
    s.valid = fits(s);
    if (s.valid && save_cache_) save_cached_bitmap(s.name, s.image);
  }
  if (!s.valid) s.image = {};
  strips_.push_back(std::move(k));
  return *strips_.back().s;
}

strip_library& knob_strips() {
  static strip_library lib(strip_kind::knob, true, true);
  return lib;
}

strip_library& slider_strips() {
  static strip_library lib(strip_kind::slider, true, true);
  return lib;
}

}  // namespace gui
