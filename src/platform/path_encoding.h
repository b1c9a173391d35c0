// How an 8-bit path the library is handed is spelt, and how it becomes the
// operating system's own. The host's exports take paths in the ANSI code
// page, as a Windows host of their era passes them; the core and the tool
// take UTF-8 on every platform. On Windows each reaches the wide calls
// converted from its own code, so one file function serves both; on POSIX
// a path is its bytes, whatever it is said to be in.
#pragma once

#include <cstddef>
#include <string>

namespace vezuved {

enum class PathEncoding {
    Ansi,  // the ANSI code page (the host's exports)
    Utf8,  // UTF-8 (the core and the tool)
};

#if defined(_WIN32)
// The path in UTF-16. False, leaving wide empty, when its bytes are no text
// in that code (a broken UTF-8 sequence); a null path is empty. May throw
// std::bad_alloc.
bool WidePathOf(const char* path, PathEncoding encoding, std::wstring& wide);

// The same into a fixed buffer, for callers that may not allocate: the
// units written with the terminator, or 0 when it does not fit or convert.
int WidePathInto(const char* path, PathEncoding encoding, wchar_t* buffer, int capacity) noexcept;

// A UTF-16 path or name back in the 8-bit code. False when the ANSI code
// page has no character for one of its units (the name would come back as
// another name); UTF-8 holds every unit. May throw std::bad_alloc.
bool NarrowPathOf(const wchar_t* wide, size_t length, PathEncoding encoding, std::string& path);
#endif

}  // namespace vezuved
