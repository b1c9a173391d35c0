// Path rules the drivers share. On the PC side a folder ends at '\' or '/'
// (whichever comes later), so Windows paths and POSIX paths both work.
#pragma once

#include <cstring>

inline const char* LastSeparator(const char* path) {
    const char* backslash = std::strrchr(path, '\\');
    const char* slash = std::strrchr(path, '/');
    return backslash > slash ? backslash : slash;
}

inline bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The text after any leading spaces.
inline const char* SkipLeadingSpaces(const char* text) {
    while (*text == ' ') ++text;
    return text;
}
