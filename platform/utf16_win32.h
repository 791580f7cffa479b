// UTF-8 <-> UTF-16 for the Win32 implementation files: our paths and texts are
// UTF-8, the wide-character Windows functions take UTF-16.
#pragma once

#include <string>

namespace platform {

// False when text is not valid UTF-8 (such a path cannot name a file).
bool to_utf16(const std::string& text, std::wstring& out);

// Unpaired surrogates become U+FFFD.
std::string to_utf8(const wchar_t* text, size_t length);
inline std::string to_utf8(const std::wstring& text) { return to_utf8(text.data(), text.size()); }

}  // namespace platform
