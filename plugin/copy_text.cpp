#include "plugin/copy_text.h"

#include <cstring>
#include <string_view>

#include "platform/utf8.h"

namespace plugin {

void copy_text(char* dest, const char* text, size_t capacity) {
  if (!dest || capacity == 0) return;
  if (!text) text = "";
  // Hosts' fields are short (24 bytes for a program name): never half a character.
  const size_t n = platform::utf8_prefix(std::string_view(text, strnlen(text, capacity + 3)), capacity - 1);
  std::memcpy(dest, text, n);
  dest[n] = '\0';
}

}  // namespace plugin
