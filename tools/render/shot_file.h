// Writing the editor's picture (--editor-shot): PNG through libpng where the
// build has it (shot_file_posix.cpp), 32-bit TGA everywhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace render {

// pixels: width x height, 0xAARRGGBB rows top down. The format follows the
// path's extension (".png", ".tga"); false with a reason otherwise.
bool write_shot(const std::string& path, const std::vector<uint32_t>& pixels, int32_t width, int32_t height,
                std::string& error);

}  // namespace render
