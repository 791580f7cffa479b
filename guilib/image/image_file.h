// Images from memory or disk in whichever of the two formats they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "guilib/image/bitmap.h"

namespace gui {

// BMP when the data is at least 54 bytes and starts with "BM" (the BMP
// result codes), otherwise TGA: -1 when the TGA header check fails, else the
// TGA result codes.
int decode_image(bitmap& b, const uint8_t* data, size_t size);

// -1 if the file does not exist or is empty, else decode_image of its bytes.
int load_image_file(bitmap& b, const std::string& path);

}  // namespace gui
