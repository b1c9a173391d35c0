// Character classes and length checks that ignore the host's locale and
// never walk further into a text than they need to.
#pragma once

#include <cstddef>

#include "base/ascii.h"

namespace vezuved {

inline bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// The white space a C-locale strtod skips.
inline bool IsAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// True when text (null counts as empty) holds at least count characters;
// reads no more than count of them.
inline bool HasAtLeast(const char* text, size_t count) {
    if (text == nullptr) return count == 0;
    for (size_t i = 0; i < count; ++i) {
        if (text[i] == '\0') return false;
    }
    return true;
}

}  // namespace vezuved
