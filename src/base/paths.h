// Path rules the drivers share. On the PC side a folder ends at '\' or '/'
// (whichever comes later), so Windows paths and POSIX paths both work.
#pragma once

#include <cstddef>
#include <cstring>

namespace vezuved {

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

// The longest path the exports take (vezuved.h): the host's buffers hold
// this many characters and the NUL.
constexpr size_t kMaxPathLength = 1023;

// True for a path of at most kMaxPathLength characters (a null path fits);
// otherwise says on the diagnostics sink which path was refused.
bool PathFits(const char* path) noexcept;

}  // namespace vezuved
