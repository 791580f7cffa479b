// Key codes and the characters keys make. The toolkit's key codes are the
// Win32 virtual-key numbers, which every backend maps its keys onto, so that
// widgets test one set of codes.
//
// A key's character comes from its unshifted character on the platform's
// layout: none when that is 0 or below 32 (function keys, arrows, Enter...),
// letters in lower case, and with Shift held the counterpart that the key
// carries on the US layout ("2" gives "@", "a" gives "A").
#pragma once

#include <cstdint>

namespace wnd::key {

constexpr int32_t backspace = 0x08, tab = 0x09, enter = 0x0D, shift = 0x10, ctrl = 0x11, alt = 0x12;
constexpr int32_t escape = 0x1B, space = 0x20, page_up = 0x21, page_down = 0x22, end = 0x23, home = 0x24;
constexpr int32_t left = 0x25, up = 0x26, right = 0x27, down = 0x28, insert = 0x2D, del = 0x2E;
constexpr int32_t digit_0 = 0x30, letter_a = 0x41;  // '0'..'9', 'A'..'Z' are their own codes
constexpr int32_t f1 = 0x70;                        // F1..F24 follow
constexpr int32_t semicolon = 0xBA, equals = 0xBB, comma = 0xBC, minus = 0xBD, period = 0xBE, slash = 0xBF;
constexpr int32_t grave = 0xC0, bracket_left = 0xDB, backslash = 0xDC, bracket_right = 0xDD, apostrophe = 0xDE;

// The unshifted character of a key on the US layout (what the platform
// reports for it), 0 for keys without one.
int32_t us_unshifted_character(int32_t key);

// The counterpart of a printable character with Shift on the US layout; a
// character without one is returned as it is.
int32_t us_shifted(int32_t c);

// The character a key sends, from its unshifted character: 0 (none) below 32,
// letters lowered, shifted through the US table when shift is held.
int32_t character_for(int32_t unshifted, bool shift);

}  // namespace wnd::key
