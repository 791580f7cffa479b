// Bounded text copies into caller buffers (host buffers, command results).
#pragma once

#include <cstddef>

namespace plugin {

// Copies at most capacity - 1 characters and a terminator (null dest: nothing).
void copy_text(char* dest, const char* text, size_t capacity);

}  // namespace plugin
