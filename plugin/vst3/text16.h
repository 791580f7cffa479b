// Text between the engine's UTF-8 and the UTF-16 buffers of the VST 3
// interface. Every copy is bounded by the destination's capacity (in units)
// and always terminated; characters beyond the Basic Multilingual Plane
// become surrogate pairs one way and UTF-8 sequences the other.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vst3_shell {

// UTF-8 (or ASCII) into UTF-16, at most capacity - 1 units plus the terminator.
void copy_to_utf16(char16_t* out, size_t capacity, const char* text);
// UTF-16 (terminated, or cut at max_units) into UTF-8, at most capacity - 1 bytes.
void copy_from_utf16(char* out, size_t capacity, const char16_t* text, size_t max_units);
// ASCII into a fixed char field, terminated.
void copy_ascii(char* out, size_t capacity, const char* text);

}  // namespace vst3_shell
