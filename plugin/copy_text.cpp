#include "plugin/copy_text.h"

#include <cstring>

namespace plugin {

void copy_text(char* dest, const char* text, size_t capacity) {
  if (!dest || capacity == 0) return;
  if (!text) text = "";
  size_t n = strnlen(text, capacity - 1);
  std::memcpy(dest, text, n);
  dest[n] = '\0';
}

}  // namespace plugin
