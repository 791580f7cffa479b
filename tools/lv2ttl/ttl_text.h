// Small helpers for writing Turtle: quoted strings, numbers that read back
// exactly, port symbols and base64 for binary literals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lv2ttl {

// "text" with quotes and backslashes escaped.
std::string quoted(const std::string& text);
// A decimal that parses back to the same float ("0.5", "0.333333343").
std::string number(float value);
// A C identifier from a display name: "Filter Env B" -> "filter_env_b".
std::string symbol_of(const std::string& name);
std::string base64(const uint8_t* bytes, size_t size);

}  // namespace lv2ttl
