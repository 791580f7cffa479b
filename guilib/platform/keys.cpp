#include "guilib/platform/keys.h"

#include <cstddef>

namespace wnd::key {

int32_t us_unshifted_character(int32_t k) {
  if (k == space) return ' ';
  if (k >= digit_0 && k <= digit_0 + 9) return k;
  if (k >= letter_a && k < letter_a + 26) return k;  // the platform reports capitals
  switch (k) {
    case semicolon: return ';';
    case equals: return '=';
    case comma: return ',';
    case minus: return '-';
    case period: return '.';
    case slash: return '/';
    case grave: return '`';
    case bracket_left: return '[';
    case backslash: return '\\';
    case bracket_right: return ']';
    case apostrophe: return '\'';
    case enter: return '\r';
    case backspace: return '\b';
    case tab: return '\t';
    case escape: return 0x1B;
    default: return 0;
  }
}

int32_t us_shifted(int32_t c) {
  // The printable characters 32..126 with their shifted counterparts; those
  // without one (already shifted, or a blank) map to themselves.
  static constexpr char unshifted[] = " '0123456789,-./;=[\\]`abcdefghijklmnopqrstuvwxyz";
  static constexpr char shifted[] = " \")!@#$%^&*(<_>?:+{|}~ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  static_assert(sizeof unshifted == sizeof shifted);
  for (std::size_t i = 0; i + 1 < sizeof unshifted; ++i)
    if (unshifted[i] == c) return shifted[i];
  return c;
}

int32_t character_for(int32_t unshifted, bool shift) {
  if (unshifted < 32) return 0;
  int32_t c = unshifted;
  if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
  return shift ? us_shifted(c) : c;
}

}  // namespace wnd::key
