// Our paths are UTF-8 on every platform. std::filesystem::path built from a
// plain string would read it in the Windows ANSI code page instead, so every
// conversion goes through char8_t.
#pragma once

#include <filesystem>
#include <string>

namespace platform {

inline std::filesystem::path utf8_path(const std::string& text) {
  return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

inline std::string utf8_text(const std::filesystem::path& path) {
  const std::u8string s = path.u8string();
  return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

}  // namespace platform
