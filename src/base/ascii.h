// Letter-case rules of the library's keywords and names: ASCII only, so
// they never depend on the host's locale.
#pragma once

#include <string>

namespace vezuved {

inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// The text with its ASCII capitals made small; every other byte as it is.
inline std::string AsciiLowered(std::string text) {
    for (char& c : text) c = AsciiLower(c);
    return text;
}

// The capital of a small ASCII letter, in any character width: wide names
// on the handheld fold as narrow ones do. Capitals order a wide comparison.
template <typename Unit>
constexpr Unit AsciiUpper(Unit c) {
    return (c >= 'a' && c <= 'z') ? static_cast<Unit>(c - 'a' + 'A') : c;
}

inline bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

inline bool EqualsIgnoreCase(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (AsciiLower(*a) != AsciiLower(*b)) return false;
    }
    return *a == *b;
}

// Whether text begins with prefix, without regard to case.
inline bool StartsWithIgnoreCase(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix) {
        if (*text == '\0' || AsciiLower(*text) != AsciiLower(*prefix)) return false;
    }
    return true;
}

}  // namespace vezuved
