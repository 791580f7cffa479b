// The process-wide GUI archive: the built-in skin and fonts, stored as
// resources of type "VARC" in the module itself and mounted once.
//
// After mount_builtin the root holds "image", "knob_strip" and "slider_strip"
// (from "SKINS/KESTOL") and "fonts" (from "FONTS"). The entries point into the
// module's own constant data, so they live as long as the library.
#pragma once

#include <cstddef>
#include <cstdint>

#include "guilib/archive/archive.h"

namespace gui {

constexpr const char* resource_type_varc = "VARC";
constexpr const char* resource_skin = "SKINS/KESTOL";
constexpr const char* resource_fonts = "FONTS";

// The archive the widgets and the editor read from. UI thread only.
archive& gui_archive();

// Address and size of the module's "VARC" resource of that name; false if
// it is absent or empty.
bool load_resource_blob(const char* name, const uint8_t*& data, size_t& size);

// Mounts the skin, then the fonts, each only once per process; a missing
// resource is skipped (the widgets then render what they need). Called by the
// editor before it builds its first window.
void mount_builtin();

// True once mount_builtin has run.
bool gui_resources_initialised();

}  // namespace gui
