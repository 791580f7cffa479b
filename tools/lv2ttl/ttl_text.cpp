#include "tools/lv2ttl/ttl_text.h"

#include <cstdio>
#include <cstdlib>

namespace lv2ttl {

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string number(float value) {
  // Shortest of %.6g..%.9g that reads back as the same float; always with a
  // decimal point, so Turtle reads a decimal and not an integer.
  char text[32];
  for (int digits = 6; digits <= 9; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, double(value));
    if (std::strtof(text, nullptr) == value) break;
  }
  std::string out = text;
  if (out.find_first_of(".eEn") == std::string::npos) out += ".0";
  if (out.find_first_of("eE") != std::string::npos) {  // Turtle decimals have no exponent
    std::snprintf(text, sizeof text, "%.9f", double(value));
    out = text;
  }
  return out;
}

std::string symbol_of(const std::string& name) {
  std::string out;
  for (char c : name) {
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (alnum) {
      out += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    } else if (!out.empty() && out.back() != '_') {
      out += '_';
    }
  }
  while (!out.empty() && out.back() == '_') out.pop_back();
  if (out.empty() || (out[0] >= '0' && out[0] <= '9')) out = std::string("p_") + out;
  return out;
}

std::string base64(const uint8_t* bytes, size_t size) {
  static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((size + 2) / 3 * 4);
  for (size_t i = 0; i < size; i += 3) {
    const uint32_t a = bytes[i];
    const uint32_t b = i + 1 < size ? bytes[i + 1] : 0;
    const uint32_t c = i + 2 < size ? bytes[i + 2] : 0;
    const uint32_t triple = (a << 16) | (b << 8) | c;
    out += digits[(triple >> 18) & 63];
    out += digits[(triple >> 12) & 63];
    out += i + 1 < size ? digits[(triple >> 6) & 63] : '=';
    out += i + 2 < size ? digits[triple & 63] : '=';
  }
  return out;
}

}  // namespace lv2ttl
